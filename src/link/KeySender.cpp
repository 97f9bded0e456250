#include "link/KeySender.h"

#include "link/MeterLink.h"
#include "protocol/MeterKeys.h"

#include <algorithm>
#include <atomic>
#include <chrono>

KeySenders::KeySenders(MeterLink& link) : link_(link) {}

KeySenders::~KeySenders() {
    stopAll();
}

void KeySenders::start(int code) {
    if (!meterKey(code))
        return;
    std::lock_guard lock(mutex_);
    reapFinished();
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread t([this, code, done] { run(code, *done); });
    workers_.push_back({std::move(t), std::move(done)});
}

void KeySenders::run(int code, std::atomic<bool>& done) {
    const MeterKey key = *meterKey(code);
    const LiveState atStart = link_.snapshot().state;
    const WatchedField field = watchedField(code, atStart);
    const int before = fieldValue(field, atStart);
    const QByteArray byte(1, static_cast<char>(key.byte));
    for (int sent = 0; sent < maxKeySends; ++sent) {
        if (fieldValue(field, link_.snapshot().state) != before || !link_.isOpen())
            break;
        link_.write(byte);
        std::unique_lock lock(mutex_);
        if (wake_.wait_for(lock, std::chrono::milliseconds(key.periodMs),
                           [this] { return stopping_; }))
            break;
    }
    done = true;
}

void KeySenders::reapFinished() {
    auto finished = std::stable_partition(workers_.begin(), workers_.end(),
                                          [](const Worker& w) { return !w.done->load(); });
    for (auto it = finished; it != workers_.end(); ++it)
        it->thread.join();
    workers_.erase(finished, workers_.end());
}

void KeySenders::stopAll() {
    std::vector<Worker> all;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        all.swap(workers_);
    }
    wake_.notify_all();
    for (Worker& w : all)
        w.thread.join();
    std::lock_guard lock(mutex_);
    stopping_ = false;
}

int KeySenders::running() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count_if(workers_.begin(), workers_.end(),
                                          [](const Worker& w) { return !w.done->load(); }));
}
