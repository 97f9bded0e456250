#pragma once

#include "mqtt/MqttClient.h"

#include <QCommandLineOption>
#include <QString>

#include <optional>

class QCommandLineParser;
class QWidget;

// The program's --broker options: the network window opened at start.
class PasswordStore;

struct NetworkOptions {
    QCommandLineOption broker{QStringLiteral("broker"),
                              QStringLiteral("Open the measurement network on this MQTT broker "
                                             "(mqtt://host[:port] or mqtts://host[:port])."),
                              QStringLiteral("URL")};
    QCommandLineOption user{QStringLiteral("mqtt-user"),
                            QStringLiteral("The user name on the broker."), QStringLiteral("NAME")};
    QCommandLineOption passwordFile{QStringLiteral("mqtt-password-file"),
                                    QStringLiteral("Read the broker password from the first line "
                                                   "of this file."),
                                    QStringLiteral("FILE")};
    QCommandLineOption ca{QStringLiteral("mqtt-ca"),
                          QStringLiteral("Trust the broker's certificate when this authority "
                                         "signed it."),
                          QStringLiteral("FILE")};
    QCommandLineOption archive{QStringLiteral("mqtt-archive"),
                               QStringLiteral("The folder vrel-cli collect writes, where a "
                                              "meter's survey is opened from."),
                               QStringLiteral("DIR")};
    void addTo(QCommandLineParser& parser) const;
};

// Opens the network window for --broker; with a screenshot file, saves the
// window once the first meter shows and then ends the program. False, with
// the reason on standard error, for options that cannot work.
bool openNetworkAtStart(const QCommandLineParser& parser, const NetworkOptions& options,
                        const QString& screenshot, QWidget* parent);

class Clock;
class Notifier;

// --mqtt-archive: the archive the broker dialog offers from now on.
void rememberNetworkArchive(const QString& folder);

// The broker the network window's dialog last connected to: its address,
// user and CA from the settings, the password from the store when it keeps
// one. What a survey started from the program publishes to; nothing before
// the dialog was first answered.
struct RememberedBroker {
    QString url;
    MqttSettings settings;
    bool passwordKept = false;
    QString site;  // the names the last publishing survey took
    QString meter; // empty: none yet
};
std::optional<RememberedBroker> rememberedBroker(PasswordStore& store);
void rememberSurveyNames(const QString& site, const QString& meter);

// Asks for the broker (the address and user remembered in the settings, the
// password from the store), opens the network window on it and, when the
// broker refuses the user or password, asks again saying so, once, and
// connects the same window with the answer. Nothing when the user cancels.
class CNetworkWnd;
CNetworkWnd* askAndOpenNetwork(QWidget* parent, PasswordStore& store, Notifier& notifier,
                               const Clock& clock);
// The same with the keyring, the tray and the PC clock, which live as long as parent.
void openNetworkFromMenu(QWidget* parent);
