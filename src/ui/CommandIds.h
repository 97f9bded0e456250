#pragma once

#include <QHashFunctions>

#include <cstddef>

// The menu and toolbar commands of both windows. The numbers are the
// program's own: its menus have always carried them, and the windows route
// every command by them, so an enumerator never changes its number.
enum class CommandId : int {
    // "Dosya(&F)"
    OpenDataFile = 32790,
    StartSurvey = 32920,
    SaveAs = 32786,
    ExportToExcel = 32785,
    PrintDiagram = 32802,
    PrintData = 32796,
    Report = 32903,
    Exit = 32788,
    // "Gerçek zaman(&R)"
    StartRecording = 32771,
    StopRecording = 32772,
    ClearRecording = 32773,
    RecordingSettings = 32791,
    // "DataLogger(&D)"
    DownloadLogger = 32780,
    // "COM portu(&C)"
    ManualPort = 32815,
    AutomaticPort = 32816,
    // "Görünüm(&V)"
    ToggleToolBar = 59392,
    ToggleStatusBar = 59393,
    ColourSettings = 32817,
    SetLevelLimit = 32901,
    ClearLevelLimit = 32902,
    // "Ağ(&N)"
    OpenNetwork = 32910,
    // "Yardım(&H)"
    HelpContents = 32799,
    About = 57664,
    // The DATALOGGER window's menu (its "Rapor" is Report above).
    ImportLoggerData = 32781,
    ExportLoggerSelection = 32813,
    SaveLoggerSelection = 32793,
    PrintLoggerDiagram = 32794,
    PrintLoggerData = 32795,
};

// The command's number, wherever it is wanted as such: object names,
// messages, hashing.
constexpr int commandNumber(CommandId id) {
    return static_cast<int>(id);
}

// The windows keep their actions and handlers in QHashes keyed by command.
inline std::size_t qHash(CommandId id, std::size_t seed = 0) noexcept {
    return qHash(commandNumber(id), seed);
}
