#include "link/SerialPorts.h"

#include <QFileInfo>
#include <QSerialPortInfo>

std::vector<SSerInfo> EnumSerialPorts() {
    std::vector<SSerInfo> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SSerInfo s;
        s.devicePath = info.systemLocation().toStdString();
        s.portName = info.portName().toStdString();
        s.portDescription = info.description().toStdString();
        s.friendlyName = info.description().isEmpty()
                             ? s.portName
                             : (info.description() + " (" + info.portName() + ")").toStdString();
        if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
            s.vendorId = info.vendorIdentifier();
            s.productId = info.productIdentifier();
            s.usb = true;
        }
        if (s.portDescription.empty())
            s.portDescription = s.friendlyName;
        ports.push_back(std::move(s));
    }
    return ports;
}

QString portPathForNumber(int n) {
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(n);
#else
    return QStringLiteral("/dev/ttyUSB%1").arg(n);
#endif
}

QString portLabel(const QString& path, int number) {
#ifdef Q_OS_WIN
    if (number >= 0)
        return QStringLiteral("COM%1").arg(number);
#else
    Q_UNUSED(number);
#endif
    return path;
}

QString portRightsHint(const QString& path) {
#ifdef Q_OS_LINUX
    const QFileInfo fi(path);
    if (fi.exists() && (!fi.isReadable() || !fi.isWritable()))
        return QStringLiteral("You may not use this port. Add your user to the group that owns it "
                              "(usually dialout: sudo usermod -aG dialout $USER), then log in "
                              "again.");
#else
    Q_UNUSED(path);
#endif
    return {};
}
