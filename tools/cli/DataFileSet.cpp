#include "DataFileSet.h"

#include "formats/TextDataFile.h"
#include "model/TextFormat.h"

#include <iostream>

std::optional<OpenedDataFile> openDataFile(const std::string& path) {
    TextDataRead read = ReadTextDataFile(path);
    switch (read.status) {
    case TextDataRead::Status::CannotOpen:
        std::cerr << read.error << "\n";
        return std::nullopt;
    case TextDataRead::Status::WrongFormat:
        std::cerr << dataFormatWrongText << "\n";
        return std::nullopt;
    case TextDataRead::Status::Ok:
        break;
    }
    OpenedDataFile file;
    file.loggerRecords = std::move(read.records);
    file.rows = GroupDataSets(file.loggerRecords);
    return file;
}

std::optional<ChosenDataSet> chooseDataSet(const OpenedDataFile& file, const std::string& path,
                                           const char* command) {
    if (file.rows.empty()) {
        std::cerr << "vrel-cli " << command << ": " << path << " holds no readings\n";
        return std::nullopt;
    }
    // The window takes the set number from the row's ID cell.
    const int setNumber = static_cast<int>(leadingInteger(file.rows.front().cells()[0]));
    ChosenDataSet set;
    set.selection = SelectDataSet(file.loggerRecords, setNumber);
    set.stats = DataSetStats(set.selection);
    return set;
}

std::optional<ChosenDataSet> openAndChoose(const std::string& path, const char* command) {
    const auto file = openDataFile(path);
    if (!file)
        return std::nullopt;
    return chooseDataSet(*file, path, command);
}
