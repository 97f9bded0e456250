#pragma once

#include <QString>

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

// A pseudo-terminal pair in raw mode: the port under test opens the device,
// the test plays the far end on the master.
class PtyPair {
  public:
    PtyPair() {
        char name[256] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
            return;
        termios tio{};
        ::tcgetattr(slave_, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(slave_, TCSANOW, &tio);
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        path_ = QString::fromLocal8Bit(name);
    }
    ~PtyPair() {
        closeMaster();
        if (slave_ >= 0)
            ::close(slave_);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return !path_.isEmpty(); }
    QString path() const { return path_; }

    void send(const std::vector<std::uint8_t>& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const auto n = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else {
                pollfd p{master_, POLLOUT, 0};
                ::poll(&p, 1, 100);
            }
        }
    }

    // Writes what the line takes now, without waiting for room.
    void trySend(const std::vector<std::uint8_t>& bytes) {
        [[maybe_unused]] const auto n = ::write(master_, bytes.data(), bytes.size());
    }

    // What the port wrote, until count bytes are in or the time-out passes.
    std::vector<std::uint8_t>
    receive(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
        std::vector<std::uint8_t> got;
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (got.size() < count && std::chrono::steady_clock::now() < end) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            std::uint8_t buf[512];
            const auto n = ::read(master_, buf, sizeof buf);
            if (n > 0)
                got.insert(got.end(), buf, buf + n);
        }
        return got;
    }

    // The far end goes away, as when the cable is pulled.
    void closeMaster() {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }

  private:
    int master_ = -1;
    int slave_ = -1; // kept open so the line stays up while the port is closed
    QString path_;
};
