#include "graph/LevelLimit.h"

#include "app/Prompt.h"
#include "settings/ColorConfig.h"

LevelLimit::LevelLimit() : value_(readLevelLimit(colorConfigPath())) {}

LevelLimit& levelLimit() {
    static LevelLimit limit;
    return limit;
}

bool LevelLimit::set(std::optional<double> limit) {
    value_ = limit;
    const bool written = writeLevelLimit(colorConfigPath(), limit);
    emit changed(limit);
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
        set(*v);
}
