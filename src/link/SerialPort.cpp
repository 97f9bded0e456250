#include "link/SerialPort.h"

#ifdef Q_OS_UNIX
#include <termios.h>
#endif

namespace {

void setError(QString* error, const QString& text) {
    if (error)
        *error = text;
}

} // namespace

bool toQtLineSettings(const LineSettings& codes, QtLineSettings* out, QString* error) {
    QtLineSettings s;
    if (codes.baud <= 0) {
        setError(error, QStringLiteral("Invalid baud rate %1.").arg(codes.baud));
        return false;
    }
    s.baud = codes.baud;

    if (codes.dataBits < 5 || codes.dataBits > 8) {
        setError(error, QStringLiteral("Invalid number of data bits %1.").arg(codes.dataBits));
        return false;
    }
    s.dataBits = static_cast<QSerialPort::DataBits>(codes.dataBits);

    switch (codes.parity) {
    case 0:
        s.parity = QSerialPort::EvenParity;
        break;
    case 2:
        s.parity = QSerialPort::NoParity;
        break;
    case 3:
        s.parity = QSerialPort::OddParity;
        break;
    case 1:
    case 4:
#if defined(Q_OS_UNIX) && !defined(CMSPAR)
        setError(error, QStringLiteral("Mark and space parity are not supported on this system."));
        return false;
#else
        s.parity = codes.parity == 1 ? QSerialPort::MarkParity : QSerialPort::SpaceParity;
        break;
#endif
    default:
        setError(error, QStringLiteral("Invalid parity code %1.").arg(codes.parity));
        return false;
    }

    switch (codes.stopBits) {
    case 0:
        s.stopBits = QSerialPort::OneStop;
        break;
    case 1:
#ifdef Q_OS_WIN
        s.stopBits = QSerialPort::OneAndHalfStop;
        break;
#else
        setError(error,
                 QStringLiteral("One and a half stop bits are not supported on this system."));
        return false;
#endif
    case 2:
        s.stopBits = QSerialPort::TwoStop;
        break;
    default:
        setError(error, QStringLiteral("Invalid stop bits code %1.").arg(codes.stopBits));
        return false;
    }

    switch (codes.flowControl) {
    case 0:
        s.flowControl = QSerialPort::NoFlowControl;
        break;
    case 1:
        s.flowControl = QSerialPort::HardwareControl;
        break;
    case 2:
    case 3:
    case 4:
        setError(error,
                 QStringLiteral("Flow control with the DTR or DSR handshake is not supported "
                                "on this system (code %1).")
                     .arg(codes.flowControl));
        return false;
    case 5:
        s.flowControl = QSerialPort::SoftwareControl;
        break;
    default:
        setError(error, QStringLiteral("Invalid flow control code %1.").arg(codes.flowControl));
        return false;
    }

    if (out)
        *out = s;
    return true;
}

QString comPortName(int portNumber) {
    return QStringLiteral("COM%1").arg(portNumber);
}

bool CSerialPort::Open(const QString& portName, const LineSettings& settings, QString* error) {
    Close();
    QtLineSettings line;
    if (!toQtLineSettings(settings, &line, error))
        return false;

    port_.setPortName(portName);
    if (!port_.open(QIODevice::ReadWrite)) {
        setError(error, QStringLiteral("Cannot open %1: %2").arg(portName, port_.errorString()));
        return false;
    }
    const bool applied = port_.setBaudRate(line.baud) && port_.setDataBits(line.dataBits) &&
                         port_.setParity(line.parity) && port_.setStopBits(line.stopBits) &&
                         port_.setFlowControl(line.flowControl);
    if (!applied) {
        setError(error, QStringLiteral("Cannot set up %1: %2").arg(portName, port_.errorString()));
        port_.close();
        return false;
    }
    return true;
}

void CSerialPort::Close() {
    if (port_.isOpen())
        port_.close();
    port_.clearError();
}

void CSerialPort::Purge() {
    port_.clear(QSerialPort::AllDirections);
}
