#include "formats/TextDataFile.h"

#include "formats/FileWrite.h"
#include "formats/TextDataGrammar.h"
#include "model/TextFormat.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr std::string_view lineEnd = "\r\n";

// One record line by the reading rules; set number 0, the header's rate.
CObjData readRecordLine(std::string_view line, double samplingRate) {
    const TextDataLineParts parts = splitTextDataLine(line);
    return CObjData(leadingDecimal(parts.level), parts.dateTime, parts.unit, 0, samplingRate);
}

} // namespace

std::string TextDataHeader(double samplingRate) {
    return std::string(textDataHeaderTag) + ":" + formatFixed(samplingRate, 1, 2) + ";";
}

namespace {

void appendTextDataLine(std::string& text, const CObjData& record) {
    text += record.dateTime();
    text += ", ";
    text += formatFixed(record.value(), 2, 5);
    text += ", ";
    text += record.unit();
}

} // namespace

std::string TextDataLine(const CObjData& record) {
    std::string line;
    appendTextDataLine(line, record);
    return line;
}

std::string FormatTextData(const RecordList& series) {
    if (series.empty())
        return {};
    std::string text = TextDataHeader(series[0].samplingRate());
    text += lineEnd;
    // Sized once for the usual lines, and each line goes straight in: no text
    // of its own per record.
    text.reserve(text.size() + series.size() * 34);
    for (const CObjData& r : series) {
        appendTextDataLine(text, r);
        text += lineEnd;
    }
    return text;
}

bool WriteTextDataFile(const std::string& path, const RecordList& series, std::string* error) {
    if (series.empty()) {
        if (error)
            *error = "no readings to write";
        return false;
    }
    return WriteWholeFile(path, FormatTextData(series), error);
}

namespace {

// Turns lines (without their line ends) into a read, one at a time, so a file
// can be handed over piece by piece.
class TextDataLines {
  public:
    explicit TextDataLines(TextDataRead& result) : result_(result) {}

    // False once reading has ended: a wrong header or an empty line.
    bool take(std::string_view line) {
        if (!headerSeen_) {
            headerSeen_ = true;
            return header(line);
        }
        if (line.empty())
            return false;
        result_.records.append(readRecordLine(line, result_.samplingRate));
        return true;
    }
    bool headerSeen() const { return headerSeen_; }

  private:
    bool header(std::string_view line) {
        const std::optional<double> rate = readTextDataHeader(line);
        if (!rate) {
            result_.status = TextDataRead::Status::WrongFormat;
            return false;
        }
        result_.samplingRate = *rate;
        return true;
    }

    TextDataRead& result_;
    bool headerSeen_ = false;
};

std::string_view withoutCr(std::string_view line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

// Hands every line ended by LF in text to lines; returns how much of text it
// used (the rest is a line still without its end), or npos once reading ended.
std::size_t takeEndedLines(std::string_view text, TextDataLines& lines) {
    std::size_t used = 0;
    for (std::size_t eol; (eol = text.find('\n', used)) != std::string_view::npos; used = eol + 1)
        if (!lines.take(withoutCr(text.substr(used, eol - used))))
            return std::string_view::npos;
    return used;
}

// The shortest usual record line, "d-m-yyyy,h:mm:ss,  l.ll, dBA" with CR LF;
// the program writes 33 bytes with its leading zeros.
constexpr std::size_t usualLineBytes = 30;
// What a file is read by: big enough to make few calls, small enough to stay
// in the cache (and out of the allocator's mapped blocks) rather than to hold
// a whole million-record file at once.
constexpr std::size_t readChunkBytes = 64 * 1024;

} // namespace

TextDataRead ParseTextData(std::string_view text) {
    TextDataRead result;
    // At most one record per line end and one for an unended last line.
    result.records.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) +
                           1);
    TextDataLines lines(result);
    const std::size_t used = takeEndedLines(text, lines);
    if (used != std::string_view::npos && (used < text.size() || !lines.headerSeen()))
        lines.take(withoutCr(text.substr(used)));
    return result;
}

TextDataRead ReadTextDataFile(const std::string& path) {
    TextDataRead result;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        result.status = TextDataRead::Status::CannotOpen;
        SetSystemError(&result.error, "cannot open " + path);
        return result;
    }
    // Sized from the file's length for the usual lines; other lines only make
    // the list grow (or leave room unused, which costs no memory until used).
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(path, sizeError);
    if (!sizeError)
        result.records.reserve(static_cast<std::size_t>(size) / usualLineBytes + 1);

    TextDataLines lines(result);
    std::string buffer;
    const ChunkedRead read = ReadInChunks(f, readChunkBytes, buffer, [&](std::string_view text) {
        return takeEndedLines(text, lines);
    });
    std::fclose(f);
    if (read.failed) {
        TextDataRead unread;
        unread.status = TextDataRead::Status::CannotOpen;
        SetSystemError(&unread.error, "cannot read " + path);
        return unread;
    }
    if (!read.stopped && (!read.rest.empty() || !lines.headerSeen()))
        lines.take(withoutCr(read.rest));
    return result;
}

TextDataAppender::~TextDataAppender() {
    close();
}

bool TextDataAppender::open(const std::string& path, double samplingRate, std::string* error) {
    close();
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) {
        SetSystemError(error, "cannot create " + path);
        return false;
    }
    path_ = path;
    return writeLine(TextDataHeader(samplingRate), error);
}

bool TextDataAppender::append(const CObjData& record, std::string* error) {
    if (!file_) {
        if (error)
            *error = "no file open";
        return false;
    }
    return writeLine(TextDataLine(record), error);
}

bool TextDataAppender::writeLine(const std::string& line, std::string* error) {
    const std::string bytes = line + std::string(lineEnd);
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size() ||
        std::fflush(file_) != 0) {
        SetSystemError(error, "cannot write " + path_);
        return false;
    }
    return true;
}

bool TextDataAppender::sync(std::string* error) {
    if (!file_)
        return false;
#ifdef _WIN32
    const bool ok = std::fflush(file_) == 0 && _commit(_fileno(file_)) == 0;
#else
    const bool ok = std::fflush(file_) == 0 && ::fsync(::fileno(file_)) == 0;
#endif
    if (!ok)
        SetSystemError(error, "cannot write " + path_);
    return ok;
}

bool TextDataAppender::close(std::string* error) {
    if (!file_)
        return true;
    const bool ok = std::fclose(file_) == 0;
    if (!ok)
        SetSystemError(error, "cannot write " + path_);
    file_ = nullptr;
    return ok;
}
