#include "LiveSession.h"

#include "link/SerialPorts.h"

#include <csignal>
#include <cstdlib>
#include <iostream>

namespace {

constexpr int lookPeriodMs = 250;

// Set by the signal handler, read by the look: the only thing a handler may safely do.
volatile std::sig_atomic_t interrupted = 0;

extern "C" void onInterruptSignal(int) {
    interrupted = 1;
}

void catchSignal(int sig) {
    // A signal ignored on entry (nohup) stays ignored.
    if (std::signal(sig, onInterruptSignal) == SIG_IGN)
        std::signal(sig, SIG_IGN);
}

std::optional<int> hexId(std::string_view text) {
    if (text.empty() || text.size() > 4)
        return std::nullopt;
    int v = 0;
    for (const char c : text) {
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        if (d < 0)
            return std::nullopt;
        v = v * 16 + d;
    }
    return v;
}

bool isBusyReason(const QString& reason) {
    return reason.contains(QLatin1String("lock"), Qt::CaseInsensitive) ||
           reason.contains(QLatin1String("busy"), Qt::CaseInsensitive);
}

} // namespace

std::vector<SSerInfo> parseExtraPorts(std::string_view spec, std::string& error) {
    std::vector<SSerInfo> ports;
    while (!spec.empty()) {
        const auto end = spec.find(';');
        const std::string_view entry = spec.substr(0, end);
        spec = end == std::string_view::npos ? std::string_view{} : spec.substr(end + 1);
        if (entry.empty())
            continue;
        const auto eq = entry.find('=');
        const std::string_view path = entry.substr(0, eq);
        std::string_view ids =
            eq == std::string_view::npos ? std::string_view{} : entry.substr(eq + 1);
        std::string_view description;
        if (const auto eq2 = ids.find('='); eq2 != std::string_view::npos) {
            description = ids.substr(eq2 + 1);
            ids = ids.substr(0, eq2);
        }
        const auto colon = ids.find(':');
        const auto vendor =
            colon == std::string_view::npos ? std::nullopt : hexId(ids.substr(0, colon));
        const auto product =
            colon == std::string_view::npos ? std::nullopt : hexId(ids.substr(colon + 1));
        if (path.empty() || !vendor || !product) {
            error = "not PATH=VVVV:PPPP[=DESCRIPTION]: '" + std::string(entry) + "'";
            continue;
        }
        SSerInfo s;
        s.devicePath = path;
        s.portName = path.substr(path.find_last_of('/') + 1);
        s.portDescription = description.empty() ? s.portName : std::string(description);
        s.friendlyName =
            description.empty() ? s.portName : std::string(description) + " (" + s.portName + ")";
        s.usb = true;
        s.vendorId = *vendor;
        s.productId = *product;
        ports.push_back(std::move(s));
    }
    return ports;
}

std::vector<SSerInfo> companionSerialPorts() {
    std::vector<SSerInfo> ports = EnumSerialPorts();
    if (const char* extra = std::getenv("VREL_CLI_EXTRA_PORTS")) {
        std::string error;
        for (SSerInfo& s : parseExtraPorts(extra, error))
            ports.push_back(std::move(s));
        if (!error.empty())
            std::cerr << "vrel-cli: VREL_CLI_EXTRA_PORTS: " << error << "\n";
    }
    return ports;
}

LiveSession::LiveSession(std::string command)
    : app_(argc_, argv_), command_(std::move(command)),
      ports_(appClock(), PortPolicy::companionTiming) {
    interrupted = 0;
    catchSignal(SIGINT);
    catchSignal(SIGTERM);
#ifdef SIGHUP
    catchSignal(SIGHUP);
#endif
    ports_.setEnumerator(&companionSerialPorts);
    QObject::connect(&ports_, &PortPolicy::silenced, &app_, [this] {
        if (onSilence)
            onSilence();
    });
    QObject::connect(&ports_, &PortPolicy::resumed, &app_, [this] {
        if (onResumed)
            onResumed();
    });
    QObject::connect(&ports_, &PortPolicy::portLost, &app_, [this](const QString& reason) {
        if (onPortLost)
            onPortLost(reason);
    });
    QObject::connect(&ports_, &PortPolicy::reopened, &app_, [this] {
        if (onReopened)
            onReopened();
    });
    QObject::connect(&ports_.meter(), &MeterSession::reopenFailed, &app_,
                     [this](const QString& reason) {
                         std::cerr << prefix() << "cannot open " << portPath().toStdString()
                                   << " yet: " << reason.toStdString() << "\n";
                     });
    lookTimer_.setInterval(lookPeriodMs);
    QObject::connect(&lookTimer_, &QTimer::timeout, &app_, [this] { look(); });
}

LiveSession::~LiveSession() {
    link().close();
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

bool LiveSession::open(const std::optional<std::string>& port) {
    std::string error;
    if (!openPort(port, error)) {
        std::cerr << prefix() << error << "\n";
        return false;
    }
    return true;
}

bool LiveSession::openPort(const std::optional<std::string>& port, std::string& error) {
    std::optional<PortChoice> given;
    if (port) {
        given = parsePortChoice(*port);
        // anything else is a path of the system's
        if (!given || !given->number)
            given = PortChoice{std::nullopt, *port};
    }
    const PortOpening o = ports_.openGiven(given);
    const std::string label = portLabel(o.path, o.number).toStdString();
    const std::string reason = o.reason.toStdString();
    switch (o.outcome) {
    case PortOpening::Outcome::Opened:
        return true;
    case PortOpening::Outcome::NoMeter:
        error = "no meter found: no port of a Silicon Labs CP210x USB to UART bridge "
                "(vrel-cli ports lists the ports, --port PATH names one)";
        return false;
    case PortOpening::Outcome::NoSuchPort:
        error = "no such port: " + label;
        return false;
    case PortOpening::Outcome::Refused:
        break;
    }
    if (const QString hint = portRightsHint(o.path); !hint.isEmpty())
        error = "cannot open " + label + ": " + reason + "\n" + hint.toStdString();
    else if (isBusyReason(o.reason))
        error = "port " + label + " is busy: another program has it open (" + reason + ")";
    else
        error = "cannot open " + label + ": " + reason;
    return false;
}

int LiveSession::run() {
    lookTimer_.start();
    return QCoreApplication::exec();
}

void LiveSession::end(int status) {
    lookTimer_.stop();
    ports_.watchdogTimer().stop();
    QCoreApplication::exit(status);
}

void LiveSession::look() {
    if (interrupted) {
        interrupted = 0;
        if (onInterrupt)
            onInterrupt();
        return;
    }
    if (onWatch)
        onWatch(link().snapshot());
}
