#pragma once

// The meter simulator on a pseudo-terminal beside a test, driven by its
// commands on standard input.

#include "ChildProcess.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class Simulator {
  public:
    explicit Simulator(const std::filesystem::path& dir, std::vector<std::string> options = {})
        : link_(dir / "meter") {
        std::vector<std::string> argv = {VREL_METER_SIM, "--link", link_.string()};
        argv.insert(argv.end(), options.begin(), options.end());
        process_ = std::make_unique<ChildProcess>(argv);
        ready_ =
            waitFor([this] { return std::filesystem::exists(link_) && !process_->out().empty(); });
    }
    ~Simulator() {
        process_->write("quit\n");
        process_->wait(std::chrono::seconds(10));
    }
    bool ready() const { return ready_; }
    const std::filesystem::path& link() const { return link_; }
    // The pseudo-terminal itself.
    std::string device() const { return std::filesystem::canonical(link_).string(); }
    void command(const std::string& line) { process_->write(line + "\n"); }
    std::string out() const { return process_->out(); }

  private:
    std::filesystem::path link_;
    std::unique_ptr<ChildProcess> process_;
    bool ready_ = false;
};
