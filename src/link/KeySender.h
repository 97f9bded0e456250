#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class MeterLink;

// Presses meter keys: one worker per key writes the key's byte at the key's
// period until the meter shows that it took the key (the watched field of the
// live state changes). A worker also gives up after a bounded number of sends,
// when the port is closed, or when stopAll() runs; the destructor stops and
// joins them all, so no worker outlives the link.
class KeySenders {
  public:
    explicit KeySenders(MeterLink& link);
    ~KeySenders();
    KeySenders(const KeySenders&) = delete;
    KeySenders& operator=(const KeySenders&) = delete;

    // Starts a worker for key code 0..5; other codes are ignored.
    void start(int code);
    // Ends every worker and waits for them.
    void stopAll();
    // Workers still sending.
    int running() const;

  private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    void run(int code, std::atomic<bool>& done);
    void reapFinished();

    MeterLink& link_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::vector<Worker> workers_;
};
