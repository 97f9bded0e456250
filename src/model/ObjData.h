#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

// A short text kept inside its owner, so a million records make no million
// allocations: up to inlineMax bytes live in the object itself, a longer text
// (only a malformed file line gives one) on the heap.
class CompactText {
  public:
    static constexpr std::size_t inlineMax = 22;

    CompactText() { inline_[0] = '\0'; }
    explicit CompactText(std::string_view text) { assign(text); }
    CompactText(const CompactText& other) { assign(other.view()); }
    CompactText(CompactText&& other) noexcept { take(other); }
    CompactText& operator=(const CompactText& other) {
        if (this != &other) {
            CompactText copy(other);
            release();
            take(copy);
        }
        return *this;
    }
    CompactText& operator=(CompactText&& other) noexcept {
        if (this != &other) {
            release();
            take(other);
        }
        return *this;
    }
    ~CompactText() { release(); }

    std::string_view view() const {
        return length_ == onHeap ? std::string_view(heap_.data, heap_.size)
                                 : std::string_view(inline_, length_);
    }
    bool operator==(const CompactText& other) const { return view() == other.view(); }

  private:
    static constexpr unsigned char onHeap = 0xFF;
    struct Heap {
        char* data;
        std::size_t size;
    };

    void assign(std::string_view text) {
        if (text.size() <= inlineMax) {
            if (!text.empty()) // an empty view may hold no address at all
                std::memcpy(inline_, text.data(), text.size());
            inline_[text.size()] = '\0';
            length_ = static_cast<unsigned char>(text.size());
            return;
        }
        heap_.data = new char[text.size()];
        std::memcpy(heap_.data, text.data(), text.size());
        heap_.size = text.size();
        length_ = onHeap;
    }
    // Moves other's text here (this holds none); other is left empty.
    void take(CompactText& other) noexcept {
        std::memcpy(static_cast<void*>(this), static_cast<const void*>(&other), sizeof *this);
        other.length_ = 0;
        other.inline_[0] = '\0';
    }
    void release() noexcept {
        if (length_ == onHeap)
            delete[] heap_.data;
        length_ = 0;
    }

    union {
        char inline_[inlineMax + 1];
        Heap heap_;
    };
    unsigned char length_ = 0; // the inline length, or onHeap
};

// One reading. Built once with all five values; nothing changes it afterwards,
// so a record can be shared between the table, the graph and the files.
class CObjData {
  public:
    CObjData(double value, std::string_view dateTime, std::string_view unit, int setNumber,
             double samplingRate)
        : value_(value), samplingRate_(samplingRate), dateTime_(dateTime), unit_(unit),
          setNumber_(setNumber) {}

    double value() const { return value_; }
    // day-month-year,hour:minute:second with exactly one comma
    std::string_view dateTime() const { return dateTime_.view(); }
    // "dBA" or "dBC"
    std::string_view unit() const { return unit_.view(); }
    // logger data-set number counted from 1; 0 for real-time and file readings
    int setNumber() const { return setNumber_; }
    // sampling interval in seconds
    double samplingRate() const { return samplingRate_; }

    bool operator==(const CObjData&) const = default;

  private:
    double value_;
    double samplingRate_;
    CompactText dateTime_;
    CompactText unit_;
    int setNumber_;
};
