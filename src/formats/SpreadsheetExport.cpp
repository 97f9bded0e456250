#include "formats/SpreadsheetExport.h"

#include "model/AcousticStats.h"

#include "formats/FileWrite.h"
#include "model/TextFormat.h"

#include <xlsxwriter.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>
#ifndef _WIN32
#include <locale.h>
#endif

namespace {

// libxlsxwriter prints numbers with printf, which follows LC_NUMERIC; under a
// decimal-comma locale (the GUI sets the user's) the workbook would hold
// "55,2" and spreadsheet programs would refuse it. The C locale is put in
// place for the calling thread only, while the workbook is written.
class CNumericLocale {
  public:
#ifdef _WIN32
    CNumericLocale() : previousMode_(_configthreadlocale(_ENABLE_PER_THREAD_LOCALE)) {
        if (const char* current = std::setlocale(LC_NUMERIC, nullptr))
            previous_ = current;
        std::setlocale(LC_NUMERIC, "C");
    }
    ~CNumericLocale() {
        std::setlocale(LC_NUMERIC, previous_.c_str());
        _configthreadlocale(previousMode_);
    }

  private:
    std::string previous_;
    int previousMode_;
#else
    CNumericLocale() : c_(newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr))) {
        if (c_)
            previous_ = uselocale(c_);
    }
    ~CNumericLocale() {
        if (c_) {
            uselocale(previous_);
            freelocale(c_);
        }
    }

  private:
    locale_t c_;
    locale_t previous_ = nullptr;
#endif
  public:
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;
};

std::string maxText(const SeriesStats& stats, ExportSource source) {
    return formatFixed(stats.maxValue, 2) + " @ " + stats.maxTime + "  " + stats.maxUnit +
           (source == ExportSource::DataLogger ? " " : "");
}

std::string minText(const SeriesStats& stats) {
    return formatFixed(stats.minValue, 2) + " @ " + stats.minTime + "  " + stats.minUnit;
}

// Workbook text must be UTF-8; bytes that do not form it are taken as Latin-1,
// the 8-bit text a data file may bring in.
std::string toUtf8(const std::string& text) {
    auto validUtf8 = [&text] {
        for (std::size_t i = 0; i < text.size();) {
            const auto c = static_cast<unsigned char>(text[i]);
            const std::size_t n = c < 0x80           ? 1
                                  : (c >> 5) == 0x6  ? 2
                                  : (c >> 4) == 0xE  ? 3
                                  : (c >> 3) == 0x1E ? 4
                                                     : 0;
            if (n == 0 || i + n > text.size())
                return false;
            for (std::size_t k = 1; k < n; ++k)
                if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                    return false;
            i += n;
        }
        return true;
    };
    if (validUtf8())
        return text;
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out.push_back(ch);
        } else {
            out.push_back(static_cast<char>(0xC0 | c >> 6));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

} // namespace

std::string FormatSpreadsheetText(const RecordList& series, const SeriesStats& stats,
                                  ExportSource source) {
    if (series.empty())
        return {};
    std::string text;
    text += "StartTime\t" + stats.startTime + "\t\r\n";
    text += "Max\t" + maxText(stats, source) + "\t\r\n";
    text += "Min\t" + minText(stats) + "\t\r\n";
    text += "Average\t" + formatFixed(stats.average, 2) + "\t\r\n";
    text += "SampleRate\t" + formatFixed(stats.samplingRate, 2) + "\t\r\n";
    text += "ID\tUnit\tValue\tDateTime\t\r\n";
    int id = 0;
    for (const CObjData& r : series) {
        text += std::to_string(++id) + "\t";
        text += r.unit();
        text += "\t" + formatFixed(r.value(), 2) + "\t";
        text += r.dateTime();
        text += "\t\r\n";
    }
    return text;
}

bool WriteSpreadsheetText(const std::string& path, const RecordList& series,
                          const SeriesStats& stats, ExportSource source, std::string* error) {
    if (series.empty()) {
        if (error)
            *error = "no readings to write";
        return false;
    }
    return WriteWholeFile(path, FormatSpreadsheetText(series, stats, source), error);
}

namespace {

void writeAcousticSheet(lxw_workbook* book, lxw_format* twoDecimals, const RecordList& series,
                        double interval, std::optional<double> limit) {
    const AcousticSummary s =
        summarize(series, 0, static_cast<std::size_t>(series.count()), interval, limit);
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Akustik");
    lxw_row_t row = 0;
    auto put = [&](const char* name, double value, const std::string& unit, bool decimals) {
        worksheet_write_string(sheet, row, 0, name, nullptr);
        worksheet_write_number(sheet, row, 1, value, decimals ? twoDecimals : nullptr);
        worksheet_write_string(sheet, row, 2, toUtf8(unit).c_str(), nullptr);
        ++row;
    };
    worksheet_write_string(sheet, row, 0, "Name", nullptr);
    worksheet_write_string(sheet, row, 1, "Value", nullptr);
    worksheet_write_string(sheet, row, 2, "Unit", nullptr);
    ++row;
    const std::string& w = s.weighting;
    put("Leq", s.leq, w, true);
    for (std::size_t i = 0; i < s.ln.size(); ++i) {
        const std::string name = "L" + std::to_string(AcousticSummary::percentiles[i]);
        put(name.c_str(), s.ln[i], w, true);
    }
    put("Lmax", s.lmax, w, true);
    put("Lmin", s.lmin, w, true);
    if (std::isfinite(s.sel)) // no SEL without a sampling rate
        put("SEL", s.sel, w, true);
    put("Count", static_cast<double>(s.count), "", false);
    put("Interval", interval, "s", true);
    if (limit) {
        put("Limit", *limit, w, true);
        put("AboveCount", static_cast<double>(s.aboveCount), "", false);
        put("AboveTime", s.aboveSeconds, "s", true);
        put("LongestRun", static_cast<double>(s.longestRunAbove), "", false);
        put("LongestRunTime", s.longestRunSeconds, "s", true);
    }
}

// Name / value / unit rows from row 1 on, under a heading row.
class FigureSheet {
  public:
    FigureSheet(lxw_workbook* book, const char* name, lxw_format* twoDecimals)
        : sheet_(workbook_add_worksheet(book, name)), twoDecimals_(twoDecimals) {
        text("Name", "Value", "Unit");
    }
    void number(const char* name, double value, const char* unit, bool decimals = true) {
        worksheet_write_string(sheet_, row_, 0, name, nullptr);
        worksheet_write_number(sheet_, row_, 1, value, decimals ? twoDecimals_ : nullptr);
        worksheet_write_string(sheet_, row_, 2, unit, nullptr);
        ++row_;
    }
    void text(const char* name, const std::string& value, const char* unit) {
        worksheet_write_string(sheet_, row_, 0, name, nullptr);
        worksheet_write_string(sheet_, row_, 1, value.c_str(), nullptr);
        worksheet_write_string(sheet_, row_, 2, unit, nullptr);
        ++row_;
    }
    lxw_worksheet* sheet() const { return sheet_; }
    lxw_row_t& row() { return row_; }

  private:
    lxw_worksheet* sheet_;
    lxw_format* twoDecimals_;
    lxw_row_t row_ = 0;
};

void writeExposureSheet(lxw_workbook* book, lxw_format* twoDecimals, const ExposureFigures& x) {
    FigureSheet s(book, "Maruziyet", twoDecimals);
    if (x.notApplicable != NotApplicable::None) {
        s.text("NotApplicable", notApplicableReason(x.notApplicable), "");
        return;
    }
    s.number("Measured", x.measuredSeconds, "s");
    s.number("Te", x.shiftSeconds, "s");
    s.number("LAeq,Te", x.laeq, "dBA");
    s.number("LEX,8h", x.lex8h, "dBA");
    s.text("EU", euActionValueName(x.reached), "");
    s.number("OSHADose", x.oshaDose, "%");
    if (x.oshaTwa)
        s.number("OSHATWA", *x.oshaTwa, "dBA");
    s.number("NIOSHDose", x.nioshDose, "%");
    if (x.nioshTwa)
        s.number("NIOSHTWA", *x.nioshTwa, "dBA");
}

void writeEnvironmentSheet(lxw_workbook* book, lxw_format* twoDecimals,
                           const EnvironmentFigures& e) {
    FigureSheet s(book, "Çevre", twoDecimals);
    if (e.notApplicable != NotApplicable::None) {
        s.text("NotApplicable", notApplicableReason(e.notApplicable), "");
        return;
    }
    s.number("Span", e.spanSeconds, "s");
    s.number("Covered", e.coveredSeconds, "s");
    s.number("Gap", e.gapSeconds, "s");
    const std::pair<const char*, const PeriodFigures*> periods[] = {
        {"Lday", &e.day}, {"Levening", &e.evening}, {"Lnight", &e.night}};
    for (const auto& [name, p] : periods) {
        const std::string n = name;
        if (p->present)
            s.number(name, p->level, "dB");
        s.number((n + "Coverage").c_str(), 100.0 * p->coverage, "%");
        s.text((n + "Complete").c_str(), p->incomplete() ? "no" : "yes", "");
    }
    if (e.lden)
        s.number("Lden", *e.lden, "dB");
    s.text("LdenComplete", e.lden && !e.ldenIncomplete() ? "yes" : "no", "");
    s.number("Interval", e.intervalSeconds, "s", false);

    lxw_row_t& row = s.row();
    ++row;
    const char* heads[] = {"Start", "Leq", "Lmax", "Lmin", "L10", "L90", "Coverage", "Count"};
    for (lxw_col_t col = 0; col < 8; ++col)
        worksheet_write_string(s.sheet(), row, col, heads[col], nullptr);
    ++row;
    for (const IntervalFigures& i : e.intervals) {
        worksheet_write_string(s.sheet(), row, 0, dateClockOfSeconds(i.start).c_str(), nullptr);
        const double cells[] = {i.leq, i.lmax, i.lmin, i.l10, i.l90, 100.0 * i.coverage};
        for (lxw_col_t col = 0; col < 6; ++col)
            worksheet_write_number(s.sheet(), row, col + 1, cells[col], twoDecimals);
        worksheet_write_number(s.sheet(), row, 7, static_cast<double>(i.count), nullptr);
        ++row;
    }
}

} // namespace

namespace {

// Closes the workbook written to part and puts it in place of path: whole or
// not at all.
bool closeWorkbook(lxw_workbook* book, const std::string& part, const std::string& path,
                   std::string* error) {
    const lxw_error result = workbook_close(book);
    std::error_code ec;
    if (result == LXW_NO_ERROR) {
        std::filesystem::rename(part, path, ec);
        if (!ec)
            return true;
        if (error)
            *error = "cannot replace " + path + ": " + ec.message();
    } else if (error) {
        *error = "cannot write " + part + ": " + lxw_strerror(result);
    }
    std::filesystem::remove(part, ec);
    return false;
}

// The sheets of tables, after those already in book.
void addTableSheets(lxw_workbook* book, const std::vector<TableSheet>& sheets) {
    for (const TableSheet& t : sheets) {
        lxw_worksheet* sheet = workbook_add_worksheet(book, toUtf8(t.name).c_str());
        std::map<int, lxw_format*> formats;
        auto formatOf = [&](int decimals) {
            lxw_format*& format = formats[decimals];
            if (!format) {
                format = workbook_add_format(book);
                format_set_num_format(
                    format,
                    decimals > 0
                        ? ("0." + std::string(static_cast<std::size_t>(decimals), '0')).c_str()
                        : "0");
            }
            return format;
        };
        lxw_format* dateFormat = workbook_add_format(book);
        format_set_num_format(dateFormat, t.dateFormat.c_str());
        for (std::size_t c = 0; c < t.headings.size(); ++c)
            worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c),
                                   toUtf8(t.headings[c]).c_str(), nullptr);
        lxw_row_t row = 1;
        std::vector<bool> dated;
        for (const std::vector<TableCell>& cells : t.rows) {
            dated.resize(std::max(dated.size(), cells.size()));
            for (std::size_t c = 0; c < cells.size(); ++c) {
                const auto col = static_cast<lxw_col_t>(c);
                if (const std::optional<DateTime>& w = cells[c].when) {
                    lxw_datetime when{w->year, w->month,  w->day,
                                      w->hour, w->minute, static_cast<double>(w->second)};
                    worksheet_write_datetime(sheet, row, col, &when, dateFormat);
                    dated[c] = true;
                } else if (cells[c].number)
                    worksheet_write_number(
                        sheet, row, col, *cells[c].number,
                        formatOf(cells[c].decimals < 0 ? t.decimals : cells[c].decimals));
                else if (!cells[c].text.empty())
                    worksheet_write_string(sheet, row, col, toUtf8(cells[c].text).c_str(), nullptr);
            }
            ++row;
        }
        // A date column wide enough for its format, else it shows as "####".
        for (std::size_t c = 0; c < dated.size(); ++c)
            if (dated[c])
                worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                     static_cast<double>(t.dateFormat.size()) + 2, nullptr);
    }
}

} // namespace

bool WriteSpreadsheetXlsx(const std::string& path, const RecordList& series,
                          const SeriesStats& stats, ExportSource source, std::string* error,
                          std::optional<double> limit, const NoiseSettings& noise,
                          const std::vector<TableSheet>& tables) {
    if (series.empty()) {
        if (error)
            *error = "no readings to write";
        return false;
    }
    const CNumericLocale cLocale;
    const std::string part = PartFilePath(path);
    lxw_workbook* book = workbook_new(part.c_str());
    if (!book) {
        if (error)
            *error = "cannot create " + part;
        return false;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    lxw_format* twoDecimals = workbook_add_format(book);
    format_set_num_format(twoDecimals, "0.00");

    auto text = [sheet](lxw_row_t row, lxw_col_t col, const std::string& s) {
        worksheet_write_string(sheet, row, col, toUtf8(s).c_str(), nullptr);
    };
    text(0, 0, "StartTime");
    text(0, 1, stats.startTime);
    text(1, 0, "Max");
    text(1, 1, maxText(stats, source));
    text(2, 0, "Min");
    text(2, 1, minText(stats));
    text(3, 0, "Average");
    worksheet_write_number(sheet, 3, 1, stats.average, twoDecimals);
    text(4, 0, "SampleRate");
    worksheet_write_number(sheet, 4, 1, stats.samplingRate, twoDecimals);
    text(5, 0, "ID");
    text(5, 1, "Unit");
    text(5, 2, "Value");
    text(5, 3, "DateTime");
    lxw_row_t row = 6;
    for (const CObjData& r : series) {
        worksheet_write_number(sheet, row, 0, row - 5, nullptr);
        text(row, 1, std::string(r.unit()));
        worksheet_write_number(sheet, row, 2, r.value(), twoDecimals);
        text(row, 3, std::string(r.dateTime()));
        ++row;
    }
    writeAcousticSheet(book, twoDecimals, series, stats.samplingRate, limit);
    const NoiseFigures figures = computeNoiseFigures(series, 0, series.size(), noise);
    writeExposureSheet(book, twoDecimals, figures.exposure);
    writeEnvironmentSheet(book, twoDecimals, figures.environment);
    addTableSheets(book, tables);

    return closeWorkbook(book, part, path, error);
}

bool WriteTableWorkbook(const std::string& path, const std::vector<TableSheet>& sheets,
                        std::string* error) {
    const CNumericLocale cLocale;
    const std::string part = PartFilePath(path);
    lxw_workbook* book = workbook_new(part.c_str());
    if (!book) {
        if (error)
            *error = "cannot create " + part;
        return false;
    }
    addTableSheets(book, sheets);
    return closeWorkbook(book, part, path, error);
}
