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
#include <initializer_list>
#include <utility>

void NetworkOptions::addTo(QCommandLineParser& parser) const {
    parser.addOptions({broker, user, passwordFile, ca, archive});
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

// The broker dialog until its address reads as one; nothing when cancelled.
std::optional<std::pair<Prompt::ConnectionRequest, BrokerUrl>>
askBroker(QWidget* parent, Prompt::ConnectionRequest ask) {
    for (;;) {
        const auto answer = prompt().connection(parent, ask);
        if (!answer)
            return std::nullopt;
        ask = *answer;
        if (const auto broker = parseBrokerUrl(ask.url.toStdString()))
            return std::pair{ask, *broker};
        ask.note = QCoreApplication::translate(
            "NetworkStart",
            "Broker adresi mqtt://sunucu[:port] veya mqtts://sunucu[:port] olmalı.");
    }
}

// Keeps values in the program's settings, the other keys as they were.
void keep(std::initializer_list<std::pair<const char*, QString>> values) {
    // The program's folder may not be there yet on a first run.
    std::error_code ec;
    std::filesystem::create_directories(programSettingsPath().parent_path(), ec);
    ProfileFile kept = ProfileFile::load(programSettingsPath());
    for (const auto& [key, value] : values)
        kept.setValue(section, key, value.toStdString());
    kept.save(programSettingsPath());
}

void remember(const Prompt::ConnectionRequest& ask, PasswordStore& store) {
    keep({{"URL", ask.url},
          {"USER", ask.user},
          {"CA", ask.caFile},
          {"ARCHIVE", ask.archive},
          {"DATABASE", ask.database}});
    if (store.available())
        store.write(passwordKey(ask.url, ask.user), ask.password);
}

MqttSettings settingsOf(const Prompt::ConnectionRequest& ask, const BrokerUrl& broker) {
    MqttSettings settings;
    settings.broker = broker;
    settings.user = ask.user.toStdString();
    settings.password = ask.password.toStdString();
    settings.caFile = ask.caFile.toStdString();
    return settings;
}

// When the broker refuses the user or password (and when the user asks to
// connect again after that), the dialog comes up once with the note; its
// answer connects the same window anew.
void askAgainWhenRefused(CNetworkWnd* window, PasswordStore& store) {
    QObject::connect(window, &CNetworkWnd::credentialsRefused, window, [window, &store] {
        // Asked after the tick that saw the refusal has ended.
        QTimer::singleShot(0, window, [window, &store] {
            const MqttSettings& now = window->settings();
            Prompt::ConnectionRequest ask;
            ask.url = QString::fromStdString(brokerUrlText(now.broker));
            ask.user = QString::fromStdString(now.user);
            ask.password = QString::fromStdString(now.password);
            ask.caFile = QString::fromStdString(now.caFile);
            ask.archive = window->archive();
            ask.database = window->database();
            ask.keyring = store.available();
            ask.note = QCoreApplication::translate(
                "NetworkStart", "Broker kullanıcı adını veya parolayı kabul etmedi.");
            const auto answer = askBroker(window, ask);
            if (!answer)
                return; // the window stays, with its button to try again
            remember(answer->first, store);
            window->setArchive(answer->first.archive);
            window->setDatabase(answer->first.database);
            QString error;
            if (!window->reconnect(settingsOf(answer->first, answer->second), error))
                prompt().inform(window, error,
                                QCoreApplication::translate("NetworkStart", "Ölçüm ağı"),
                                Prompt::Icon::Warning);
        });
    });
}

} // namespace

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
    // The tray icon and the keyring live as long as the window, gone before the application.
    auto* notifier = new TrayNotifier;
    auto* store = new KeychainStore;
    auto* window = new CNetworkWnd(settings, levelLimit().value(), *notifier, clock, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(window, &QObject::destroyed, [notifier, store] {
        delete notifier;
        delete store;
    });
    QString error;
    window->setArchive(parser.value(options.archive));
    if (!window->start(error)) {
        std::fprintf(stderr, "vrel: %s\n", qPrintable(error));
        delete window; // and with it the notifier
        return false;
    }
    askAgainWhenRefused(window, *store);
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

void rememberNetworkArchive(const QString& folder) {
    if (!folder.isEmpty())
        keep({{"ARCHIVE", folder}});
}

std::optional<RememberedBroker> rememberedBroker(PasswordStore& store) {
    const ProfileFile profile = ProfileFile::load(programSettingsPath());
    RememberedBroker b;
    b.url = remembered(profile, "URL");
    const auto broker = parseBrokerUrl(b.url.toStdString());
    if (!broker)
        return std::nullopt;
    const QString user = remembered(profile, "USER");
    b.settings.broker = *broker;
    b.settings.user = user.toStdString();
    b.settings.caFile = remembered(profile, "CA").toStdString();
    if (const auto password = store.read(passwordKey(b.url, user))) {
        b.settings.password = password->toStdString();
        b.passwordKept = true;
    }
    b.site = remembered(profile, "SURVEY_SITE");
    b.meter = remembered(profile, "SURVEY_METER");
    return b;
}

void rememberSurveyNames(const QString& site, const QString& meter) {
    keep({{"SURVEY_SITE", site}, {"SURVEY_METER", meter}});
}

CNetworkWnd* askAndOpenNetwork(QWidget* parent, PasswordStore& store, Notifier& notifier,
                               const Clock& clock) {
    const ProfileFile profile = ProfileFile::load(programSettingsPath());
    Prompt::ConnectionRequest ask;
    ask.url = remembered(profile, "URL");
    ask.user = remembered(profile, "USER");
    ask.caFile = remembered(profile, "CA");
    ask.archive = remembered(profile, "ARCHIVE");
    ask.database = remembered(profile, "DATABASE");
    // Read even with nothing to read: the answer tells whether a keyring runs.
    ask.password = store.read(passwordKey(ask.url, ask.user)).value_or(QString());
    ask.keyring = store.available();
    const auto answer = askBroker(parent, ask);
    if (!answer)
        return nullptr;
    remember(answer->first, store);

    auto* window = new CNetworkWnd(settingsOf(answer->first, answer->second), levelLimit().value(),
                                   notifier, clock, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setArchive(answer->first.archive);
    window->setDatabase(answer->first.database);
    QString error;
    if (!window->start(error)) {
        delete window;
        prompt().inform(parent, error, QCoreApplication::translate("NetworkStart", "Ölçüm ağı"),
                        Prompt::Icon::Warning);
        return nullptr;
    }
    askAgainWhenRefused(window, store);
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
