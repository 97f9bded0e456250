#include "app/App.h"

#include "app/DataLoggerCommands.h"
#include "app/MainFrame.h"
#include "app/MyVrelView.h"
#include "app/RecordingFeature.h"
#include "app/Translation.h"
#include "config/ColorConfig.h"
#include "config/Language.h"
#include "link/MeterSimulator.h"
#include "live/MeterPanel.h"
#include "logger/DataLogDlg.h"
#include "network/NetworkStart.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

constexpr int screenshotWaitMs = 5000;

// Saves the window once the panel has shown a live reading, or when waiting
// longer makes no sense; then ends the program.
void scheduleScreenshot(CMainFrame& frame, const QString& file) {
    auto* poll = new QTimer(&frame);
    auto* waited = new QElapsedTimer;
    waited->start();
    QObject::connect(poll, &QTimer::timeout, &frame, [&frame, file, poll, waited] {
        const bool live = frame.view()->panel()->livePaints() > 0;
        if (!live && waited->elapsed() < screenshotWaitMs)
            return;
        poll->stop();
        delete waited;
        if (!live)
            std::fprintf(stderr, "vrel: no live reading within %d ms\n", screenshotWaitMs);
        const bool saved = frame.grab().save(file, "PNG");
        if (!saved)
            std::fprintf(stderr, "vrel: cannot write %s\n", qPrintable(file));
        QCoreApplication::exit(saved ? 0 : 1);
    });
    poll->start(50);
}

// Opens the file once the event loop runs, saves the DATALOGGER window that
// shows it and ends the program; a file that does not open ends it with 1.
void scheduleLoggerScreenshot(CMyVrelView& view, const QString& path, const QString& file) {
    QTimer::singleShot(0, &view, [&view, path, file] {
        DataLoggerCommands* logger = dataLoggerOf(view);
        const bool opened = logger && logger->openPath(path) && logger->window();
        if (!opened)
            std::fprintf(stderr, "vrel: cannot open %s\n", qPrintable(path));
        const bool saved = opened && logger->window()->grab().save(file, "PNG");
        if (opened && !saved)
            std::fprintf(stderr, "vrel: cannot write %s\n", qPrintable(file));
        QCoreApplication::exit(saved ? 0 : 1);
    });
}

// --help and --version only print, so they need no display.
bool onlyPrints(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"-h", "--help", "--help-all", "-v", "--version"})
            if (std::strcmp(argv[i], option) == 0)
                return true;
    return false;
}

// The interface language: --lang (remembered from then on), else the one
// remembered, else the system's.
bool chooseInterfaceLanguage(const QString& asked) {
    std::optional<Language> given;
    if (!asked.isEmpty()) {
        given = parseLanguage(asked.toStdString());
        if (!given) {
            std::fprintf(stderr, "vrel: --lang takes tr or en, not %s\n", qPrintable(asked));
            return false;
        }
        if (!writeLanguage(programSettingsPath(), *given))
            std::fprintf(stderr, "vrel: cannot remember the language in %s\n",
                         programSettingsPath().string().c_str());
    }
    std::vector<std::string> system;
    for (const QString& l : QLocale::system().uiLanguages())
        system.push_back(l.toStdString());
    const Language language = chooseLanguage(given, readLanguage(programSettingsPath()), system);
    if (!useLanguage(language))
        std::fprintf(stderr, "vrel: the %s translation is missing\n", languageCode(language));
    return true;
}

} // namespace

int runVrel(int argc, char** argv) {
    const std::unique_ptr<QCoreApplication> app =
        onlyPrints(argc, argv) ? std::make_unique<QCoreApplication>(argc, argv)
                               : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Vrel"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));
    // the menu entry's name, which desktops match the window with
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vrel.Vrel"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Kovra Sound Level Meter"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Open the meter on this device."),
                                        QStringLiteral("PATH"));
    const QCommandLineOption demoOption(QStringLiteral("demo"),
                                        QStringLiteral("Show a simulated meter."));
    const QCommandLineOption shotOption(
        QStringLiteral("screenshot"),
        QStringLiteral("Save a picture of the window once the first reading shows, then exit."),
        QStringLiteral("FILE"));
    const QCommandLineOption langOption(
        QStringLiteral("lang"),
        QStringLiteral("Show the interface in Turkish (tr) or English (en), from now on."),
        QStringLiteral("tr|en"));
    parser.addOptions({portOption, demoOption, shotOption, langOption});
    const NetworkOptions networkOptions;
    networkOptions.addTo(parser);
    parser.addPositionalArgument(
        QStringLiteral("path"),
        QStringLiteral("A data file or survey folder to open, as the Open command does."),
        QStringLiteral("[FILE|DIR]"));
    parser.process(*app);
    const QStringList paths = parser.positionalArguments();
    if (paths.size() > 1) {
        std::fprintf(stderr, "vrel: opens one file or folder, not %lld\n",
                     static_cast<long long>(paths.size()));
        return 2;
    }
    const QString path = paths.value(0);
    moveEarlierSettings();
    if (!chooseInterfaceLanguage(parser.value(langOption)))
        return 2;

    std::unique_ptr<MeterSimulator> simulator;
    CMainFrame frame;
    CMyVrelView* view = frame.view();
    // a port given on the command line is opened first, so detection stays off
    if (parser.isSet(demoOption)) {
        simulator = std::make_unique<MeterSimulator>();
        simulator->setPattern(MeterSimulator::Pattern::RandomWalk);
        QString error;
        if (!simulator->start(&error)) {
            std::fprintf(stderr, "vrel: cannot start the simulated meter: %s\n", qPrintable(error));
            return 1;
        }
        frame.setDemo(simulator->devicePath());
        view->useFixedPort(simulator->devicePath());
    } else if (parser.isSet(portOption)) {
        view->useFixedPort(parser.value(portOption));
    }
    view->initialUpdate();

    // The broker dialog offers it too, not only the window --broker opens.
    if (parser.isSet(networkOptions.archive))
        rememberNetworkArchive(parser.value(networkOptions.archive));
    if (parser.isSet(networkOptions.broker)) {
        // With a screenshot the network window is the picture, taken when a meter shows.
        const QString shot = parser.value(shotOption);
        if (shot.isEmpty())
            frame.showMaximized();
        if (!openNetworkAtStart(parser, networkOptions, shot, shot.isEmpty() ? &frame : nullptr))
            return 2;
    } else if (parser.isSet(shotOption)) {
        frame.resize(1100, 720);
        frame.show();
        if (path.isEmpty() || QFileInfo(path).isDir())
            scheduleScreenshot(frame, parser.value(shotOption));
        else
            scheduleLoggerScreenshot(*view, path, parser.value(shotOption));
    } else {
        frame.showMaximized();
        // A recording that a crash cut short is offered back once the window is up,
        // before the file the desktop handed over is opened.
        QTimer::singleShot(0, view, [view, path] {
            if (RecordingFeature* recording = recordingFeature(*view))
                recording->offerJournal();
            if (!path.isEmpty())
                dataLoggerOf(*view)->openPath(path);
        });
    }
    const int rc = QApplication::exec();
    // the view stops its key senders and closes the port before the simulator goes
    return rc;
}
