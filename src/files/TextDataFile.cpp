#include "files/TextDataFile.h"

#include "files/FileWrite.h"
#include "model/TextFormat.h"

#include <algorithm>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr std::string_view headerTag = "Kovra Sound Level Meter SamplingRate";
constexpr std::string_view lineEnd = "\r\n";

// One record line by the reading rules; set number 0, the header's rate.
CObjData readRecordLine(std::string_view line, double samplingRate) {
    constexpr auto npos = std::string_view::npos;
    const std::size_t c1 = line.find(',');
    const std::size_t c2 = c1 == npos ? npos : line.find(',', c1 + 1);
    const std::size_t c3 = c2 == npos ? npos : line.find(',', c2 + 1);

    std::string_view dateTime;
    if (c2 != npos)
        dateTime = line.substr(0, c2);
    else if (c1 != npos)
        dateTime = line.substr(0, c1);

    const double level = c3 == npos ? 0.0 : leadingDecimal(line.substr(c2 + 1, c3 - c2 - 1));

    std::string_view unit = line.size() > 4 ? line.substr(line.size() - 4) : line;
    if (!unit.empty() && unit.back() == '\r')
        unit.remove_suffix(1);
    if (!unit.empty() && unit.front() == ' ')
        unit.remove_prefix(1);

    return CObjData(level, std::string(dateTime), std::string(unit), 0, samplingRate);
}

} // namespace

std::string TextDataHeader(double samplingRate) {
    return std::string(headerTag) + ":" + formatFixed(samplingRate, 1, 2) + ";";
}

std::string TextDataLine(const CObjData& record) {
    return record.dateTime() + ", " + formatFixed(record.value(), 2, 5) + ", " + record.unit();
}

std::string FormatTextData(const RecordList& series) {
    if (series.empty())
        return {};
    std::string text = TextDataHeader(series[0].samplingRate());
    text += lineEnd;
    for (const CObjData& r : series) {
        text += TextDataLine(r);
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

TextDataRead ParseTextData(std::string_view text) {
    TextDataRead result;
    // Splits off the next line without its line end, CR LF or LF.
    auto nextLine = [&text] {
        const std::size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        return line;
    };

    const std::string_view header = nextLine();
    if (header.substr(0, headerTag.size()) != headerTag) {
        result.status = TextDataRead::Status::WrongFormat;
        return result;
    }
    const std::size_t colon = header.find(':');
    const std::size_t semicolon = header.find(';');
    if (colon != std::string_view::npos && semicolon != std::string_view::npos && semicolon > colon)
        result.samplingRate = leadingDecimal(header.substr(colon + 1, semicolon - colon - 1));

    // At most one record per line end and one for an unended last line.
    result.records.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) +
                           1);
    while (!text.empty()) {
        const std::string_view line = nextLine();
        if (line.empty())
            break;
        result.records.append(readRecordLine(line, result.samplingRate));
    }
    return result;
}

TextDataRead ReadTextDataFile(const std::string& path) {
    TextDataRead failed;
    failed.status = TextDataRead::Status::CannotOpen;
    std::string text;
    if (!ReadWholeFile(path, text, &failed.error))
        return failed;
    return ParseTextData(text);
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
