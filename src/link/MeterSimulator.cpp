#include "link/MeterSimulator.h"

#include "model/Clock.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <numbers>
#include <random>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace {

using SteadyClock = std::chrono::steady_clock;

// The meter's line: 9600 baud, 10 bits a byte.
constexpr double lineBytesPerSecond = 960.0;
// The bridge hands the bytes on in reads of a frame's size.
constexpr std::size_t bytesPerWrite = liveFrameBytes;
// The sine pattern swings this far around the level, once in this many states
// (ten seconds at the line rate: 24 states a second).
constexpr double sineSwingDb = 10.0;
constexpr double sinePeriodStates = 240.0;

void closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

struct MeterSimulator::Impl {
    // Everything below up to the thread section is guarded by mutex.
    mutable std::mutex mutex;
    bool fast = false;
    Pattern pattern = Pattern::Constant;
    double constantDb = 50.0;
    std::vector<double> levels;
    std::size_t nextLevel = 0;
    double walkDb = 50.0;
    std::uint64_t statesSent = 0;
    MeterReading reading;
    bool hold = false;
    int garbageBytes = 0;
    SteadyClock::time_point silentUntil{};
    QByteArray received;
    std::vector<LoggerSet> memory = DemoLoggerMemory();
    std::vector<std::uint8_t> dump; // the memory dump still to be sent
    bool requestStarted = false;    // the last byte received was 0x5A
    int dumpsSent = 0;
    QString devicePath;
    QString linkPath;
    std::mt19937 random{20261207};

    std::atomic<std::uint64_t> bytesSent{0};

    // The thread and its descriptors; changed only by start() and stop().
    std::mutex lifecycle;
    std::thread thread;
    std::atomic<bool> stopping{false};
    int master = -1;
    int slave = -1; // held open so the line stays up while no program listens
    std::array<int, 2> wake{-1, -1};
    SendObserver observer; // read by the thread, set while it is not running

    void run();
    void refill(std::vector<std::uint8_t>& out);
    MeterReading nextState();
    void onByte(std::uint8_t byte);
    void wakeUp() const {
        if (wake[1] >= 0) {
            const char c = 0;
            [[maybe_unused]] const auto n = ::write(wake[1], &c, 1);
        }
    }
};

// The one place where bytes from the program are understood; the meter's
// answers to further requests (such as the logger memory dump, asked for by
// 0x5A 0xAC) belong here.
void MeterSimulator::Impl::onByte(std::uint8_t byte) {
    // The program repeats its request until the dump's header arrives; one
    // dump answers all the requests that come while it is on its way.
    const bool request = requestStarted && byte == loggerRequest[1];
    requestStarted = byte == loggerRequest[0];
    if (request) {
        if (dump.empty()) {
            dump = EncodeLoggerDump(memory);
            ++dumpsSent;
        }
        return;
    }
    switch (byte) {
    case 0x55: // REC
        reading.meterRec = !reading.meterRec;
        break;
    case 0x11: // MAX/MIN: max, then min, then neither
        if (reading.maxMode) {
            reading.maxMode = false;
            reading.minMode = true;
        } else if (reading.minMode) {
            reading.minMode = false;
        } else {
            reading.maxMode = true;
        }
        break;
    case 0x77: // FAST/SLOW
        reading.fast = !reading.fast;
        break;
    case 0x99: // A/C
        reading.weightingA = !reading.weightingA;
        break;
    case 0x88: // range 1, 2, 3, AUTO
        reading.range = reading.range % 4 + 1;
        break;
    case 0x33: // HOLD
        hold = !hold;
        break;
    default:
        break;
    }
}

MeterReading MeterSimulator::Impl::nextState() {
    double dB = constantDb;
    switch (pattern) {
    case Pattern::Constant:
        break;
    case Pattern::Sine:
        dB =
            constantDb + sineSwingDb * std::sin(2.0 * std::numbers::pi *
                                                static_cast<double>(statesSent) / sinePeriodStates);
        break;
    case Pattern::RandomWalk:
        walkDb = std::clamp(walkDb + std::uniform_real_distribution<double>(-0.5, 0.5)(random),
                            30.0, 130.0);
        dB = walkDb;
        break;
    case Pattern::File:
        if (!levels.empty())
            dB = levels[nextLevel++ % levels.size()];
        break;
    }
    ++statesSent;
    reading.tenths = static_cast<int>(std::clamp(std::lround(dB * 10.0), 0L, 9999L));
    const LocalTime now = appClock().localNow();
    reading.hour = now.hour;
    reading.minute = now.minute;
    reading.second = now.second;
    return reading;
}

// Appends what the meter sends next: a read's worth of hold markers, or any
// pending line noise followed by the current state's frame pair.
void MeterSimulator::Impl::refill(std::vector<std::uint8_t>& out) {
    std::lock_guard lock(mutex);
    if (!dump.empty()) {
        // The memory goes out in place of live frames until all of it is sent.
        const std::size_t n = std::min<std::size_t>(dump.size(), bytesPerWrite);
        out.insert(out.end(), dump.begin(), dump.begin() + static_cast<std::ptrdiff_t>(n));
        dump.erase(dump.begin(), dump.begin() + static_cast<std::ptrdiff_t>(n));
        return;
    }
    if (hold) {
        out.insert(out.end(), bytesPerWrite, holdMarker);
        return;
    }
    // Noise that the decoder has to skip: no frame marker, no hold marker and
    // no pair of bytes whose hex text would read as one.
    std::uniform_int_distribution<int> nibble(0, 14);
    for (; garbageBytes > 0; --garbageBytes) {
        std::uint8_t b = 0;
        do {
            b = static_cast<std::uint8_t>(nibble(random) << 4 | nibble(random));
        } while (b == 0xA5);
        out.push_back(b);
    }
    const auto frames = EncodeLiveFrames(nextState());
    out.insert(out.end(), frames.begin(), frames.end());
}

void MeterSimulator::Impl::run() {
    std::vector<std::uint8_t> out;
    auto nextWrite = SteadyClock::now();
    while (!stopping) {
        bool paced = true;
        SteadyClock::time_point quietUntil;
        {
            std::lock_guard lock(mutex);
            paced = !fast;
            quietUntil = silentUntil;
        }
        const auto now = SteadyClock::now();
        const bool silent = now < quietUntil;

        bool sendNow = false;
        int timeoutMs = 50;
        if (silent) {
            timeoutMs = static_cast<int>(std::clamp<long long>(
                std::chrono::ceil<std::chrono::milliseconds>(quietUntil - now).count(), 0, 50));
        } else if (paced) {
            // A late slot (a stall or the end of a silence) restarts the pace
            // rather than bursting to catch up.
            if (now - nextWrite > std::chrono::milliseconds(100))
                nextWrite = now;
            sendNow = now >= nextWrite;
            if (!sendNow)
                timeoutMs = static_cast<int>(
                    std::chrono::ceil<std::chrono::milliseconds>(nextWrite - now).count());
        }

        std::array<pollfd, 2> fds{};
        fds[0].fd = master;
        fds[0].events = POLLIN | (!silent && !paced ? POLLOUT : 0);
        fds[1].fd = wake[0];
        fds[1].events = POLLIN;
        if (!sendNow && ::poll(fds.data(), fds.size(), timeoutMs) < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN) {
            char drain[64];
            while (::read(wake[0], drain, sizeof drain) > 0) {
            }
        }
        if (fds[0].revents & POLLIN) {
            std::uint8_t in[256];
            const auto n = ::read(master, in, sizeof in);
            std::lock_guard lock(mutex);
            for (ssize_t i = 0; i < n; ++i) {
                received.append(static_cast<char>(in[i]));
                onByte(in[i]);
            }
        }

        const bool writable = sendNow || (fds[0].revents & POLLOUT);
        if (silent || !writable)
            continue;
        const std::size_t want = paced ? bytesPerWrite : 4096;
        while (out.size() < want)
            refill(out);
        const auto n = ::write(master, out.data(), paced ? bytesPerWrite : out.size());
        if (n > 0) {
            bytesSent += static_cast<std::uint64_t>(n);
            if (observer)
                observer(out.data(), static_cast<std::size_t>(n));
        }
        if (paced) {
            // A meter does not wait for a reader: what the line cannot take is lost.
            out.erase(out.begin(), out.begin() + bytesPerWrite);
            nextWrite += std::chrono::duration_cast<SteadyClock::duration>(
                std::chrono::duration<double>(bytesPerWrite / lineBytesPerSecond));
        } else if (n > 0) {
            out.erase(out.begin(), out.begin() + n);
        }
    }
}

MeterSimulator::MeterSimulator() : d(std::make_unique<Impl>()) {}

void MeterSimulator::setMemory(std::vector<LoggerSet> sets) {
    std::lock_guard lock(d->mutex);
    d->memory = std::move(sets);
}

int MeterSimulator::dumpsSent() const {
    std::lock_guard lock(d->mutex);
    return d->dumpsSent;
}

MeterSimulator::~MeterSimulator() {
    stop();
}

bool MeterSimulator::start(QString* error) {
    std::lock_guard life(d->lifecycle);
    if (d->thread.joinable())
        return true;
    auto fail = [&](const QString& what,
                    const QString& why = QString::fromLocal8Bit(std::strerror(errno))) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(what, why);
        closeFd(d->master);
        closeFd(d->slave);
        closeFd(d->wake[0]);
        closeFd(d->wake[1]);
        return false;
    };

    char name[256] = {};
    if (::openpty(&d->master, &d->slave, name, nullptr, nullptr) != 0)
        return fail(QStringLiteral("Cannot open a pseudo-terminal"));
    // Raw, or the line discipline would echo the frames back as key bytes and
    // mangle them on the way.
    termios tio{};
    ::tcgetattr(d->slave, &tio);
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    if (::tcsetattr(d->slave, TCSANOW, &tio) != 0)
        return fail(QStringLiteral("Cannot set up the pseudo-terminal"));
    if (::pipe(d->wake.data()) != 0)
        return fail(QStringLiteral("Cannot create a pipe"));
    for (int fd : {d->master, d->slave, d->wake[0], d->wake[1]})
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    for (int fd : {d->master, d->wake[0], d->wake[1]})
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);

    QString link;
    {
        std::lock_guard lock(d->mutex);
        d->devicePath = QString::fromLocal8Bit(name);
        link = d->linkPath;
    }
    if (!link.isEmpty()) {
        if (QFileInfo(link).isSymLink())
            QFile::remove(link);
        if (!QFile::link(QString::fromLocal8Bit(name), link))
            return fail(QStringLiteral("Cannot make the link %1").arg(link),
                        QStringLiteral("the path is taken or not writable"));
    }
    d->bytesSent = 0;
    d->stopping = false;
    d->thread = std::thread([this] { d->run(); });
    return true;
}

void MeterSimulator::stop() {
    std::lock_guard life(d->lifecycle);
    if (!d->thread.joinable())
        return;
    d->stopping = true;
    d->wakeUp();
    d->thread.join();
    closeFd(d->master);
    closeFd(d->slave);
    closeFd(d->wake[0]);
    closeFd(d->wake[1]);
    QString link;
    {
        std::lock_guard lock(d->mutex);
        link = d->linkPath;
        d->devicePath.clear();
    }
    if (!link.isEmpty() && QFileInfo(link).isSymLink())
        QFile::remove(link);
}

void MeterSimulator::hangUp() {
    stop();
}

QString MeterSimulator::devicePath() const {
    std::lock_guard lock(d->mutex);
    return d->devicePath;
}

void MeterSimulator::setLinkPath(const QString& path) {
    std::lock_guard lock(d->mutex);
    d->linkPath = path;
}

void MeterSimulator::setFast(bool fast) {
    std::lock_guard lock(d->mutex);
    d->fast = fast;
}

void MeterSimulator::setPattern(Pattern pattern) {
    std::lock_guard lock(d->mutex);
    d->pattern = pattern;
}

void MeterSimulator::setConstantLevel(double dB) {
    std::lock_guard lock(d->mutex);
    d->constantDb = dB;
    d->walkDb = dB;
}

void MeterSimulator::setLevels(std::vector<double> levels) {
    std::lock_guard lock(d->mutex);
    d->levels = std::move(levels);
    d->nextLevel = 0;
}

MeterReading MeterSimulator::reading() const {
    std::lock_guard lock(d->mutex);
    return d->reading;
}

void MeterSimulator::setReading(const MeterReading& reading) {
    std::lock_guard lock(d->mutex);
    d->reading = reading;
    d->constantDb = reading.tenths / 10.0;
    d->walkDb = d->constantDb;
}

bool MeterSimulator::hold() const {
    std::lock_guard lock(d->mutex);
    return d->hold;
}

void MeterSimulator::injectGarbage(int bytes) {
    std::lock_guard lock(d->mutex);
    d->garbageBytes += std::max(bytes, 0);
}

void MeterSimulator::silence(double seconds) {
    std::lock_guard lock(d->mutex);
    d->silentUntil = SteadyClock::now() + std::chrono::duration_cast<SteadyClock::duration>(
                                              std::chrono::duration<double>(seconds));
}

void MeterSimulator::setHold(bool on) {
    std::lock_guard lock(d->mutex);
    d->hold = on;
}

void MeterSimulator::pressKey(std::uint8_t byte) {
    std::lock_guard lock(d->mutex);
    d->onByte(byte);
}

QByteArray MeterSimulator::received() const {
    std::lock_guard lock(d->mutex);
    return d->received;
}

std::uint64_t MeterSimulator::bytesSent() const {
    return d->bytesSent;
}

void MeterSimulator::setSendObserver(SendObserver observer) {
    std::lock_guard life(d->lifecycle);
    d->observer = std::move(observer);
}
