#pragma once

#include "model/LevelBlocks.h"
#include "model/ObjData.h"

#include <cstddef>
#include <vector>

// The owning, ordered list behind realTimeRecords and loggerRecords. A record's
// index is its sample position on the graph's X axis.
class RecordList {
  public:
    using const_iterator = std::vector<CObjData>::const_iterator;

    void append(CObjData record) {
        values_.push_back(record.value());
        blocks_.grew(values_);
        records_.push_back(std::move(record));
    }
    void append(const RecordList& other) {
        records_.insert(records_.end(), other.records_.begin(), other.records_.end());
        values_.reserve(values_.size() + other.values_.size());
        for (double v : other.values_) {
            values_.push_back(v);
            blocks_.grew(values_);
        }
    }
    void clear() {
        records_.clear();
        values_.clear();
        blocks_.clear();
    }
    void reserve(std::size_t n) {
        records_.reserve(n);
        values_.reserve(n);
    }

    std::size_t size() const { return records_.size(); }
    int count() const { return static_cast<int>(records_.size()); }
    bool empty() const { return records_.empty(); }
    const CObjData& at(std::size_t i) const { return records_.at(i); }
    const CObjData& operator[](std::size_t i) const { return records_[i]; }
    const CObjData& back() const { return records_.back(); }
    // The levels of the records, packed: what a redraw of the whole curve
    // walks (a tenth of the memory of the records themselves).
    const std::vector<double>& values() const { return values_; }
    // The extremes of the levels of records [first, last), first < last, from
    // their block summary: what a redraw asks per pixel column.
    LevelRange levelRange(std::size_t first, std::size_t last) const {
        return blocks_.range(values_, first, last);
    }

    const_iterator begin() const { return records_.begin(); }
    const_iterator end() const { return records_.end(); }

    // The levels and their summary follow from the records.
    bool operator==(const RecordList& other) const { return records_ == other.records_; }

  private:
    std::vector<CObjData> records_;
    std::vector<double> values_; // records_[i].value(), always in step
    LevelBlocks blocks_;         // of values_, always in step
};
