#pragma once

#include <QCommandLineOption>
#include <QString>

class QCommandLineParser;
class QWidget;

// The program's --broker options: the network window opened at start.
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
class PasswordStore;

// --mqtt-archive: the archive the broker dialog offers from now on.
void rememberNetworkArchive(const QString& folder);

// Asks for the broker (the address and user remembered in the settings, the
// password from the store), opens the network window on it and, when the
// broker refuses the user or password, asks again saying so, once, and
// connects the same window with the answer. Nothing when the user cancels.
class CNetworkWnd;
CNetworkWnd* askAndOpenNetwork(QWidget* parent, PasswordStore& store, Notifier& notifier,
                               const Clock& clock);
// The same with the keyring, the tray and the PC clock, which live as long as parent.
void openNetworkFromMenu(QWidget* parent);
