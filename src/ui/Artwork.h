#pragma once

#include <QIcon>

// The program's icon: a small sound level meter.
QIcon appIcon();

// Toolbar pictures, by the command they stand for.
enum class ToolIcon { Open, Save, Export, Record, Stop, Print, About };
QIcon toolIcon(ToolIcon which);
