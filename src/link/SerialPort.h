#pragma once

#include <QSerialPort>
#include <QString>

// The line settings of one port, with the codes the port dialog and the meter
// link use for parity, stop bits and flow control.
struct LineSettings {
    int baud = 9600;
    int parity = 2;      // 0 even, 1 mark, 2 none, 3 odd, 4 space
    int dataBits = 8;    // 5..8
    int stopBits = 0;    // 0 one, 1 one and a half, 2 two
    int flowControl = 0; // 0 none, 1 CTS/RTS, 2 CTS/DTR, 3 DSR/RTS, 4 DSR/DTR, 5 XON/XOFF
    int bytesPerRead = 20;
    // A read ends early once this long passes without a new character.
    int interCharTimeoutMs = 100;
};

// The meter's line: 9600 baud 8N1, no flow control, reads of at most 20 bytes.
inline constexpr LineSettings meterLine{};

// The settings QSerialPort is given for a set of codes.
struct QtLineSettings {
    qint32 baud = 9600;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    QSerialPort::FlowControl flowControl = QSerialPort::NoFlowControl;
};

// Maps the codes onto QSerialPort's settings. A code out of range, or one this
// platform's serial interface cannot do (the DTR and DSR handshakes, one and a
// half stop bits outside Windows, mark and space parity where termios lacks
// them), is refused with a reason rather than quietly replaced by another.
bool toQtLineSettings(const LineSettings& codes, QtLineSettings* out, QString* error);

// "COM3" on Windows for port number 3; elsewhere ports are opened by path.
QString comPortName(int portNumber);

// A thin wrapper of one QSerialPort. A QSerialPort belongs to the thread that
// created it, so a CSerialPort is created, used and destroyed on one thread
// (the reader thread of CComPort).
class CSerialPort {
  public:
    CSerialPort() = default;
    virtual ~CSerialPort() = default;
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Opens a device path ("/dev/ttyUSB0") or port name ("ttyUSB0", "COM3") for
    // reading and writing and applies the settings; an earlier handle is closed
    // first. On failure the port is left closed and error holds the reason.
    bool Open(const QString& portName, const LineSettings& settings, QString* error);
    void Close();
    bool IsOpen() const { return port_.isOpen(); }
    // Drops whatever the driver holds in both directions.
    void Purge();

    QSerialPort& port() { return port_; }

  private:
    QSerialPort port_;
};
