#include "model/Clock.h"

#include <atomic>
#include <chrono>

namespace {
LocalTime fromTm(const std::tm& tm) {
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

SystemClock systemClock;
std::atomic<Clock*> currentClock{nullptr};
} // namespace

LocalTime Clock::local(std::time_t t) const {
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    return fromTm(tm);
}

std::time_t SystemClock::now() const {
    return std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
}

LocalTime ManualClock::local(std::time_t t) const {
    std::tm tm{};
#ifdef _WIN32
    gmtime_s(&tm, &t);
#else
    gmtime_r(&t, &tm);
#endif
    return fromTm(tm);
}

std::int64_t SystemClock::nowMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

Clock& appClock() {
    Clock* c = currentClock.load();
    return c ? *c : systemClock;
}

void setAppClock(Clock* clock) {
    currentClock.store(clock);
}
