// vrel-meter-sim: plays the sound level meter on a pseudo-terminal so the
// program (or anything else that speaks to a serial port) can be run without one.

#include "link/MeterSimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>

#include <poll.h>
#include <unistd.h>

namespace {

const char* const commandsHelp = R"(Commands, one a line on standard input:
  key HEX          act on a key byte as if the program sent it (55 REC, 11 MAX/MIN,
                   77 FAST/SLOW, 99 A/C, 88 range, 33 HOLD)
  level DB         level of the constant pattern (centre of the sine)
  pattern NAME     constant, sine, walk or file
  fast on|off      unpaced or at the line's 960 bytes a second
  garbage N        send N bytes of line noise before the next frames
  silence SECONDS  send nothing for a while
  hold on|off      send hold markers instead of frames
  hangup           close the line as a pulled cable does
  replug           open a new line after a hangup (new device, same link)
  status           print the state being sent
  quit             end the simulator; so do Ctrl+C and SIGTERM, while the end of
                   input does not (the simulator then plays on)
)";

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &c, 1);
}

bool parsePattern(const QString& name, MeterSimulator::Pattern* pattern) {
    if (name == QLatin1String("constant"))
        *pattern = MeterSimulator::Pattern::Constant;
    else if (name == QLatin1String("sine"))
        *pattern = MeterSimulator::Pattern::Sine;
    else if (name == QLatin1String("walk"))
        *pattern = MeterSimulator::Pattern::RandomWalk;
    else if (name == QLatin1String("file"))
        *pattern = MeterSimulator::Pattern::File;
    else
        return false;
    return true;
}

bool readLevels(const QString& path, std::vector<double>* levels, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *error = file.errorString();
        return false;
    }
    QTextStream in(&file);
    int lineNumber = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        ++lineNumber;
        if (line.isEmpty())
            continue;
        bool ok = false;
        const double dB = line.toDouble(&ok);
        if (!ok || dB < 0.0 || dB > 999.9) {
            *error = QStringLiteral("line %1 is not a level in dB: %2").arg(lineNumber).arg(line);
            return false;
        }
        levels->push_back(dB);
    }
    if (levels->empty()) {
        *error = QStringLiteral("no levels");
        return false;
    }
    return true;
}

bool onOff(const QString& word, bool* on) {
    if (word == QLatin1String("on"))
        *on = true;
    else if (word == QLatin1String("off"))
        *on = false;
    else
        return false;
    return true;
}

void printStatus(const MeterSimulator& sim) {
    const MeterReading r = sim.reading();
    QStringList words;
    words << sim.devicePath()
          << QStringLiteral("%1 dB%2")
                 .arg(r.tenths / 10.0, 0, 'f', 1)
                 .arg(r.weightingA ? QLatin1Char('A') : QLatin1Char('C'))
          << QLatin1String(r.fast ? "FAST" : "SLOW") << QStringLiteral("range %1").arg(r.range);
    if (r.maxMode)
        words << QStringLiteral("MAX");
    if (r.minMode)
        words << QStringLiteral("MIN");
    if (r.meterRec)
        words << QStringLiteral("REC");
    if (sim.hold())
        words << QStringLiteral("HOLD");
    words << QStringLiteral("%1:%2:%3")
                 .arg(r.hour, 2, 10, QLatin1Char('0'))
                 .arg(r.minute, 2, 10, QLatin1Char('0'))
                 .arg(r.second, 2, 10, QLatin1Char('0'))
          << QStringLiteral("%1 bytes sent").arg(sim.bytesSent());
    std::printf("%s\n", qPrintable(words.join(QLatin1Char(' '))));
}

// Runs one command line; false to end the program.
bool runCommand(MeterSimulator& sim, const QString& line) {
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return true;
    const QString& cmd = words[0];
    const QString arg = words.value(1);
    bool ok = false;
    bool on = false;
    if (cmd == QLatin1String("quit") || cmd == QLatin1String("exit"))
        return false;
    if (cmd == QLatin1String("key")) {
        const uint byte = QString(arg).remove(QLatin1String("0x")).toUInt(&ok, 16);
        ok = ok && byte <= 0xFF;
        if (ok)
            sim.pressKey(static_cast<std::uint8_t>(byte));
    } else if (cmd == QLatin1String("level")) {
        const double dB = arg.toDouble(&ok);
        if (ok)
            sim.setConstantLevel(dB);
    } else if (cmd == QLatin1String("pattern")) {
        MeterSimulator::Pattern pattern{};
        ok = parsePattern(arg, &pattern);
        if (ok)
            sim.setPattern(pattern);
    } else if (cmd == QLatin1String("fast")) {
        ok = onOff(arg, &on);
        if (ok)
            sim.setFast(on);
    } else if (cmd == QLatin1String("garbage")) {
        const int n = arg.toInt(&ok);
        if (ok)
            sim.injectGarbage(n);
    } else if (cmd == QLatin1String("silence")) {
        const double seconds = arg.toDouble(&ok);
        if (ok)
            sim.silence(seconds);
    } else if (cmd == QLatin1String("hold")) {
        ok = onOff(arg, &on);
        if (ok)
            sim.setHold(on);
    } else if (cmd == QLatin1String("hangup")) {
        sim.hangUp();
        std::printf("line closed\n");
        ok = true;
    } else if (cmd == QLatin1String("replug")) {
        QString error;
        ok = sim.start(&error);
        if (ok)
            std::printf("%s\n", qPrintable(sim.devicePath()));
        else
            std::fprintf(stderr, "vrel-meter-sim: %s\n", qPrintable(error));
        return true;
    } else if (cmd == QLatin1String("status")) {
        printStatus(sim);
        ok = true;
    } else if (cmd == QLatin1String("help")) {
        std::printf("%s", commandsHelp);
        ok = true;
    }
    if (!ok)
        std::fprintf(stderr, "vrel-meter-sim: not understood: %s (try help)\n", qPrintable(line));
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vrel-meter-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays the sound level meter on a pseudo-terminal. Prints the device to "
                       "open, streams live frames at the meter's 9600-baud pace with the clock "
                       "following this computer's, and answers the key bytes.\n\n") +
        QString::fromLatin1(commandsHelp));
    parser.addHelpOption();
    const QCommandLineOption fastOption(QStringLiteral("fast"),
                                        QStringLiteral("Send as fast as the reader takes it."));
    const QCommandLineOption patternOption(
        QStringLiteral("pattern"), QStringLiteral("Level pattern: constant, sine, walk or file."),
        QStringLiteral("name"), QStringLiteral("constant"));
    const QCommandLineOption levelOption(
        QStringLiteral("level"), QStringLiteral("Level in dB (centre of the sine, walk start)."),
        QStringLiteral("dB"), QStringLiteral("50"));
    const QCommandLineOption levelsOption(
        QStringLiteral("levels"),
        QStringLiteral("Levels in dB, one a line, played round and round (implies --pattern "
                       "file)."),
        QStringLiteral("file"));
    const QCommandLineOption linkOption(
        QStringLiteral("link"), QStringLiteral("Also make a symbolic link to the device here."),
        QStringLiteral("path"));
    const QCommandLineOption holdOption(QStringLiteral("hold"), QStringLiteral("Start in HOLD."));
    const QCommandLineOption memoryOption(
        QStringLiteral("memory"),
        QStringLiteral("Data sets the meter keeps in its memory, sent when the program asks for "
                       "them (default: a few demo sets). A text file: a line \"set YYYY-MM-DD "
                       "HH:MM:SS A|C INTERVAL\" starts a set, the lines after it hold its levels "
                       "in dB separated by blanks; # starts a comment."),
        QStringLiteral("file"));
    const QCommandLineOption emptyMemoryOption(QStringLiteral("empty-memory"),
                                               QStringLiteral("The meter's memory holds no set."));
    parser.addOptions({fastOption, patternOption, levelOption, levelsOption, linkOption, holdOption,
                       memoryOption, emptyMemoryOption});
    parser.process(app);

    MeterSimulator sim;
    MeterSimulator::Pattern pattern{};
    if (!parsePattern(parser.value(patternOption), &pattern)) {
        std::fprintf(stderr, "vrel-meter-sim: unknown pattern %s\n",
                     qPrintable(parser.value(patternOption)));
        return 2;
    }
    bool ok = false;
    const double level = parser.value(levelOption).toDouble(&ok);
    if (!ok) {
        std::fprintf(stderr, "vrel-meter-sim: --level wants a number in dB\n");
        return 2;
    }
    if (parser.isSet(levelsOption)) {
        std::vector<double> levels;
        QString error;
        if (!readLevels(parser.value(levelsOption), &levels, &error)) {
            std::fprintf(stderr, "vrel-meter-sim: %s: %s\n", qPrintable(parser.value(levelsOption)),
                         qPrintable(error));
            return 2;
        }
        sim.setLevels(std::move(levels));
        pattern = MeterSimulator::Pattern::File;
    } else if (pattern == MeterSimulator::Pattern::File) {
        std::fprintf(stderr, "vrel-meter-sim: --pattern file needs --levels FILE\n");
        return 2;
    }
    if (parser.isSet(memoryOption) && parser.isSet(emptyMemoryOption)) {
        std::fprintf(stderr, "vrel-meter-sim: --memory and --empty-memory exclude each other\n");
        return 2;
    }
    if (parser.isSet(memoryOption)) {
        std::vector<LoggerSet> sets;
        std::string error;
        if (!ReadLoggerMemoryFile(parser.value(memoryOption).toStdString(), sets, error)) {
            std::fprintf(stderr, "vrel-meter-sim: %s: %s\n", qPrintable(parser.value(memoryOption)),
                         error.c_str());
            return 2;
        }
        sim.setMemory(std::move(sets));
    } else if (parser.isSet(emptyMemoryOption)) {
        sim.setMemory({});
    }
    sim.setPattern(pattern);
    sim.setConstantLevel(level);
    sim.setFast(parser.isSet(fastOption));
    sim.setHold(parser.isSet(holdOption));
    if (parser.isSet(linkOption))
        sim.setLinkPath(parser.value(linkOption));

    // Signals only wake the loop below, so the link is removed on the way out.
    if (::pipe(signalPipe) != 0) {
        std::perror("vrel-meter-sim: pipe");
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaction(sig, &action, nullptr);

    QString error;
    if (!sim.start(&error)) {
        std::fprintf(stderr, "vrel-meter-sim: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s\n", qPrintable(sim.devicePath()));
    std::fflush(stdout);

    std::string buffered;
    bool inputOpen = true;
    for (;;) {
        std::array<pollfd, 2> fds{};
        fds[0].fd = inputOpen ? STDIN_FILENO : -1;
        fds[0].events = POLLIN;
        fds[1].fd = signalPipe[0];
        fds[1].events = POLLIN;
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents & POLLIN)
            break;
        if (fds[0].revents & (POLLIN | POLLHUP)) {
            char chunk[512];
            const auto n = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (n <= 0) {
                inputOpen = false; // keep playing until a signal or quit
                continue;
            }
            buffered.append(chunk, static_cast<std::size_t>(n));
            bool keepGoing = true;
            for (std::size_t eol; keepGoing && (eol = buffered.find('\n')) != std::string::npos;) {
                keepGoing = runCommand(sim, QString::fromLocal8Bit(buffered.substr(0, eol)));
                buffered.erase(0, eol + 1);
            }
            if (!keepGoing)
                break;
        }
    }
    sim.stop();
    return 0;
}
