#include "ui/LevelLimit.h"

#include "config/ColorConfig.h"
#include "ui/Prompt.h"

LevelLimit::LevelLimit() : value_(readLevelLimit(colorConfigPath())) {}

LevelLimit& levelLimit() {
    static LevelLimit limit;
    return limit;
}

bool LevelLimit::set(std::optional<double> limit, QWidget* reportTo) {
    value_ = limit;
    const std::filesystem::path file = colorConfigPath();
    std::string error;
    const bool written = writeLevelLimit(file, limit, &error);
    emit changed(limit);
    if (!written && reportTo)
        ReportWriteFailure(reportTo, QString::fromStdString(file.string()), error);
    return written;
}

void LevelLimit::ask(QWidget* parent) {
    Prompt::NumberRequest r;
    r.caption = tr("Sınır seviyesi");
    r.label = tr("Sınır seviyesi (dB):");
    r.value = value_.value_or(85.0);
    r.minimum = 0.0;
    r.maximum = 999.9;
    r.decimals = 1;
    if (const auto v = prompt().number(parent, r))
        set(*v, parent);
}
