#pragma once

#include "link/PortMatch.h"

#include <QString>

#include <vector>

// The serial ports the system knows now. The friendly name is the description
// followed by " (" port name ")", as the Windows device manager shows it.
std::vector<SSerInfo> EnumSerialPorts();

// The device a port number stands for: COMn on Windows, /dev/ttyUSBn elsewhere
// (where the bridge's ports are numbered that way).
QString portPathForNumber(int n);

// How messages name a port: "COM3" on Windows, else the device path.
QString portLabel(const QString& path, int number);

// A hint for a port the user may not open (Linux: the dialout group); empty
// when rights are not the problem.
QString portRightsHint(const QString& path);
