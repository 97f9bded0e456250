#pragma once

#include "model/RecordList.h"

#include <cstdio>
#include <string>
#include <string_view>

// The text data file: one series of readings, 8-bit text without byte-order
// mark, every line ending in CR LF on every platform:
//
//   Kovra Sound Level Meter SamplingRate:1.0;
//   07-03-2015,09:05:01, 55.20, dBA
//   07-03-2015,09:05:02,  5.50, dBA

// "Kovra Sound Level Meter SamplingRate:%2.1f;" without its line end.
std::string TextDataHeader(double samplingRate);
// "%s, %5.2f, %s" of date-time, level and unit, without its line end.
std::string TextDataLine(const CObjData& record);
// The whole file for a series: the header with the first record's sampling
// rate, then one line per record. Empty for an empty series.
std::string FormatTextData(const RecordList& series);

// Writes the file for a non-empty series (an empty one writes nothing and
// fails), whole or not at all. On failure returns false and, when error is
// given, the reason; an existing file of that name is then left as it was.
bool WriteTextDataFile(const std::string& path, const RecordList& series,
                       std::string* error = nullptr);

// What reading a text data file gives.
struct TextDataRead {
    enum class Status {
        Ok,          // records holds the file's readings (possibly none)
        CannotOpen,  // the file could not be read; error says why
        WrongFormat, // the first line is no header: tell the user dataFormatWrongText
    };
    Status status = Status::Ok;
    double samplingRate = 0.0; // from the header; every record carries it
    RecordList records;        // set number 0
    std::string error;
};

// The message box for a file that is not a text data file.
inline constexpr const char* dataFormatWrongText = "Data Format is wrong!";
inline constexpr const char* dataFormatWrongCaption = "ERROR";

// Reads the text of a file (CR LF or bare LF line ends). The header is checked
// by its tag only (readTextDataHeader); reading stops at the end or at the
// first empty line, and every line before yields a record, however malformed,
// of the parts splitTextDataLine cuts: the date-time and the unit as they
// stand, the level read as atof reads it (0 without one). Bytes outside ASCII
// are kept as they are.
TextDataRead ParseTextData(std::string_view text);
TextDataRead ReadTextDataFile(const std::string& path);

// Writes a series as it grows, one record at a time, for a recording that must
// survive a crash: open() writes the header, append() one line; each is flushed
// to the system at once. The result is byte for byte what WriteTextDataFile
// writes for the same records.
class TextDataAppender {
  public:
    TextDataAppender() = default;
    TextDataAppender(const TextDataAppender&) = delete;
    TextDataAppender& operator=(const TextDataAppender&) = delete;
    ~TextDataAppender();

    // Creates (or truncates) the file and writes the header; closes any file
    // open before.
    bool open(const std::string& path, double samplingRate, std::string* error = nullptr);
    bool append(const CObjData& record, std::string* error = nullptr);
    // Asks the system to put what was written on the disk (power cuts).
    bool sync(std::string* error = nullptr);
    // False when the last writes could not be completed.
    bool close(std::string* error = nullptr);
    bool isOpen() const { return file_ != nullptr; }

  private:
    bool writeLine(const std::string& line, std::string* error);

    std::FILE* file_ = nullptr;
    std::string path_;
};
