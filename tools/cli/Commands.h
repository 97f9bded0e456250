#pragma once

#include <string>
#include <vector>

// Each command takes the arguments after its name and returns the exit status.
int runDecode(const std::vector<std::string>& args);
int runList(const std::vector<std::string>& args);
int runExport(const std::vector<std::string>& args);
int runConvert(const std::vector<std::string>& args);
int runStats(const std::vector<std::string>& args);
int runEvents(const std::vector<std::string>& args);
int runPrint(const std::vector<std::string>& args);
int runReport(const std::vector<std::string>& args);
int runDownload(const std::vector<std::string>& args);
int runPorts(const std::vector<std::string>& args);
int runMonitor(const std::vector<std::string>& args);
int runRecord(const std::vector<std::string>& args);
int runSurvey(const std::vector<std::string>& args);
int runCollect(const std::vector<std::string>& args);
int runMark(const std::vector<std::string>& args);
int runWeather(const std::vector<std::string>& args);
