#include "NetworkStart.h"

#include "NetworkWindow.h"
#include "Notifier.h"
#include "PasswordStore.h"
#include "config/ColorConfig.h"
#include "config/ProfileFile.h"
#include "ui/LevelLimit.h"
#include "ui/Prompt.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <filesystem>

void NetworkOptions::addTo(QCommandLineParser& parser) const {
    parser.addOptions({broker, user, passwordFile, ca, archive});
}

bool openNetworkAtStart(const QCommandLineParser& parser, const NetworkOptions& options,
                        const QString& screenshot, QWidget* parent) {
    const QString url = parser.value(options.broker);
    const auto broker = parseBrokerUrl(url.toStdString());
    if (!broker) {
        std::fprintf(stderr,
                     "vrel: --broker takes mqtt://host[:port] or mqtts://host[:port], not %s\n",
                     qPrintable(url));
        return false;
    }
    MqttSettings settings;
    settings.broker = *broker;
    settings.user = parser.value(options.user).toStdString();
    settings.caFile = parser.value(options.ca).toStdString();
    if (parser.isSet(options.passwordFile)) {
        QFile file(parser.value(options.passwordFile));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "vrel: cannot read %s\n", qPrintable(file.fileName()));
            return false;
        }
        settings.password = file.readLine().trimmed().toStdString();
    }

    static const SystemClock clock;
    // The tray icon lives as long as the window, gone before the application.
    auto* notifier = new TrayNotifier;
    auto* window = new CNetworkWnd(settings, levelLimit().value(), *notifier, clock, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(window, &QObject::destroyed, [notifier] { delete notifier; });
    QString error;
    window->setArchive(parser.value(options.archive));
    if (!window->start(error)) {
        std::fprintf(stderr, "vrel: %s\n", qPrintable(error));
        delete window; // and with it the notifier
        return false;
    }
    if (!screenshot.isEmpty()) {
        QObject::connect(window, &CNetworkWnd::firstMeterShown, window, [window, screenshot] {
            const bool saved = window->grab().save(screenshot, "PNG");
            if (!saved)
                std::fprintf(stderr, "vrel: cannot write %s\n", qPrintable(screenshot));
            QCoreApplication::exit(saved ? 0 : 1);
        });
    }
    window->show();
    return true;
}

namespace {

const char* const section = "Vrel_NETWORK";

QString remembered(const ProfileFile& profile, const char* key) {
    return QString::fromStdString(profile.value(section, key).value_or(std::string()));
}

QString passwordKey(const QString& url, const QString& user) {
    return url + QLatin1Char(' ') + user;
}

// Found again on the frame by findChild, which knows a class only through its
// meta-object: without Q_OBJECT it would take the frame's first child.
class MenuServices : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    KeychainStore store;
    TrayNotifier notifier;
    SystemClock clock;
};

} // namespace

CNetworkWnd* askAndOpenNetwork(QWidget* parent, PasswordStore& store, Notifier& notifier,
                               const Clock& clock, const QString& note) {
    const ProfileFile profile = ProfileFile::load(programSettingsPath());
    Prompt::ConnectionRequest ask;
    ask.url = remembered(profile, "URL");
    ask.user = remembered(profile, "USER");
    ask.caFile = remembered(profile, "CA");
    ask.archive = remembered(profile, "ARCHIVE");
    if (!ask.url.isEmpty())
        ask.password = store.read(passwordKey(ask.url, ask.user)).value_or(QString());
    ask.keyring = store.available();
    ask.note = note;
    std::optional<BrokerUrl> broker;
    for (;;) {
        const auto answer = prompt().connection(parent, ask);
        if (!answer)
            return nullptr;
        ask = *answer;
        broker = parseBrokerUrl(ask.url.toStdString());
        if (broker)
            break;
        ask.note = QCoreApplication::translate(
            "NetworkStart",
            "Broker adresi mqtt://sunucu[:port] veya mqtts://sunucu[:port] olmalı.");
    }

    // The program's folder may not be there yet on a first run.
    std::error_code ec;
    std::filesystem::create_directories(programSettingsPath().parent_path(), ec);
    ProfileFile kept = ProfileFile::load(programSettingsPath());
    kept.setValue(section, "URL", ask.url.toStdString());
    kept.setValue(section, "USER", ask.user.toStdString());
    kept.setValue(section, "CA", ask.caFile.toStdString());
    kept.setValue(section, "ARCHIVE", ask.archive.toStdString());
    kept.save(programSettingsPath());
    if (store.available())
        store.write(passwordKey(ask.url, ask.user), ask.password);

    MqttSettings settings;
    settings.broker = *broker;
    settings.user = ask.user.toStdString();
    settings.password = ask.password.toStdString();
    settings.caFile = ask.caFile.toStdString();
    auto* window = new CNetworkWnd(settings, levelLimit().value(), notifier, clock, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setArchive(ask.archive);
    QString error;
    if (!window->start(error)) {
        delete window;
        prompt().inform(parent, error, QCoreApplication::translate("NetworkStart", "Ölçüm ağı"),
                        Prompt::Icon::Warning);
        return nullptr;
    }
    QObject::connect(
        window, &CNetworkWnd::credentialsRefused, window,
        [window, parent, &store, &notifier, &clock] {
            // Asked after this window is gone, so one window stays per broker.
            QTimer::singleShot(0, parent, [parent, &store, &notifier, &clock] {
                askAndOpenNetwork(
                    parent, store, notifier, clock,
                    QCoreApplication::translate(
                        "NetworkStart", "Broker kullanıcı adını veya parolayı kabul etmedi."));
            });
            window->close();
        });
    window->show();
    return window;
}

void openNetworkFromMenu(QWidget* parent) {
    auto* services = parent->findChild<MenuServices*>();
    if (!services)
        services = new MenuServices(parent);
    askAndOpenNetwork(parent, services->store, services->notifier, services->clock);
}

#include "NetworkStart.moc"
