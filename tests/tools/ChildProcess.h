#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

// A program run beside the test: the test writes its standard input through a
// pipe and reads what it prints from files while it runs.
class ChildProcess {
  public:
    // Starts argv[0] with the test's environment plus extraEnv ("NAME=value").
    explicit ChildProcess(const std::vector<std::string>& argv,
                          const std::vector<std::string>& extraEnv = {});
    ~ChildProcess(); // kills and reaps a child still running
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    void write(const std::string& text);
    std::string out() const;
    std::string err() const;
    void signal(int sig);
    // The exit status; -1 for a death by signal; nothing when the child is
    // still running after the time-out.
    std::optional<int> wait(std::chrono::seconds timeout = std::chrono::seconds(60));

  private:
    pid_t pid_ = -1;
    int stdin_ = -1;
    std::string outPath_;
    std::string errPath_;
    std::optional<int> status_;
};

// Polls the condition until it holds; false when it still does not after the time-out.
bool waitFor(const std::function<bool()>& condition,
             std::chrono::seconds timeout = std::chrono::seconds(60));
