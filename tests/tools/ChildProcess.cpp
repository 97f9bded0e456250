#include "ChildProcess.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {
std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}
} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv,
                           const std::vector<std::string>& extraEnv) {
    static int children = 0;
    const std::string tag = std::to_string(getpid()) + "-" + std::to_string(++children);
    outPath_ = std::string(VREL_TEST_TMP) + "/child-out-" + tag + ".txt";
    errPath_ = std::string(VREL_TEST_TMP) + "/child-err-" + tag + ".txt";

    int in[2];
    if (::pipe(in) != 0)
        return;
    ::fcntl(in[1], F_SETFD, FD_CLOEXEC);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, in[0]);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath_.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath_.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);

    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> env;
    for (char** e = environ; *e; ++e)
        env.push_back(*e);
    for (const std::string& e : extraEnv)
        env.push_back(const_cast<char*>(e.c_str()));
    env.push_back(nullptr);

    if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), env.data()) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    stdin_ = in[1];
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && !status_) {
        ::kill(pid_, SIGKILL);
        int raw = 0;
        ::waitpid(pid_, &raw, 0);
    }
    if (stdin_ >= 0)
        ::close(stdin_);
    std::remove(outPath_.c_str());
    std::remove(errPath_.c_str());
}

void ChildProcess::write(const std::string& text) {
    std::size_t done = 0;
    while (stdin_ >= 0 && done < text.size()) {
        const auto n = ::write(stdin_, text.data() + done, text.size() - done);
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

std::string ChildProcess::out() const {
    return slurp(outPath_);
}

std::string ChildProcess::err() const {
    return slurp(errPath_);
}

void ChildProcess::signal(int sig) {
    if (pid_ > 0 && !status_)
        ::kill(pid_, sig);
}

std::optional<int> ChildProcess::wait(std::chrono::seconds timeout) {
    if (pid_ <= 0)
        return std::nullopt;
    waitFor(
        [this] {
            int raw = 0;
            if (status_ || ::waitpid(pid_, &raw, WNOHANG) != pid_)
                return status_.has_value();
            status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
            return true;
        },
        timeout);
    return status_;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::seconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}
