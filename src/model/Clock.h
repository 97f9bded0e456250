#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>

// The broken-down local time the program formats its time stamps from.
struct LocalTime {
    int year = 1970; // four digits
    int month = 1;   // 1..12
    int day = 1;     // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// Every read of the PC clock goes through one of these, so tests can set the time.
class Clock {
  public:
    virtual ~Clock() = default;
    // seconds since the epoch
    virtual std::time_t now() const = 0;
    // milliseconds since the epoch, for what needs the time within the second
    virtual std::int64_t nowMs() const { return static_cast<std::int64_t>(now()) * 1000; }
    // the local calendar time of t
    virtual LocalTime local(std::time_t t) const;
    LocalTime localNow() const { return local(now()); }
};

// The real PC clock.
class SystemClock final : public Clock {
  public:
    std::time_t now() const override;
    std::int64_t nowMs() const override;
};

// A clock that stands still until told otherwise; local time is taken as UTC so
// tests do not depend on the machine's time zone.
class ManualClock final : public Clock {
  public:
    explicit ManualClock(std::time_t t = 0) : t_(t) {}
    std::time_t now() const override { return t_.load(); }
    LocalTime local(std::time_t t) const override;
    void set(std::time_t t) { t_.store(t); }
    void advance(std::time_t seconds) { t_.fetch_add(seconds); }

  private:
    std::atomic<std::time_t> t_;
};

// The process-wide clock; defaults to the system clock.
Clock& appClock();
// Replaces the process-wide clock (tests); nullptr restores the system clock.
void setAppClock(Clock* clock);
