// libFuzzer target: the text data file reader and what the DATALOGGER window
// does with what it read.
#include "formats/SpreadsheetExport.h"
#include "formats/TextDataFile.h"
#include "model/DataSets.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const TextDataRead read = ParseTextData(text);
    if (read.status != TextDataRead::Status::Ok)
        return 0;
    for (const CObjData& r : read.records)
        if (r.setNumber() != 0 || r.samplingRate() != read.samplingRate)
            std::abort();
    const auto rows = GroupDataSets(read.records);
    if (rows.size() > 1 || (rows.empty() != read.records.empty()))
        std::abort();
    if (read.records.empty())
        return 0;
    const SeriesStats stats = DataSetStats(SelectDataSet(read.records, rows[0].setNumber));
    (void)FormatSpreadsheetText(read.records, stats, ExportSource::DataLogger);
    // Whatever was read is written as one line per record and reads back as
    // as many records.
    const TextDataRead again = ParseTextData(FormatTextData(read.records));
    if (again.status != TextDataRead::Status::Ok || again.records.size() != read.records.size())
        std::abort();
    return 0;
}
