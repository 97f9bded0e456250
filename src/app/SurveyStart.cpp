#include "app/SurveyStart.h"

#include "app/MyVrelView.h"
#include "config/ColorConfig.h"
#include "config/ProfileFile.h"
#include "link/MeterSession.h"
#include "model/Clock.h"
#include "mqtt/MqttProtocol.h"
#include "mqtt/MqttPublisher.h"
#include "network/NetworkStart.h"
#include "network/PasswordStore.h"
#include "pgarchive/PgSeries.h"
#include "survey/Survey.h"
#include "survey/SurveyRunner.h"
#include "surveywindow/SurveyWindow.h"
#include "ui/Prompt.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QSysInfo>

#include <filesystem>
#include <memory>
#include <system_error>

namespace {

constexpr const char* databaseSection = "SurveyDatabase";
constexpr const char* lastUrlKey = "LastUrl";

} // namespace

bool openDatabaseSurvey(QWidget* parent, const QString& url) {
    std::string error;
    const auto source = parseDatabaseInput(url.trimmed().toStdString(), error);
    if (!isDatabaseUrl(url.trimmed().toStdString()) || !source) {
        prompt().inform(
            parent,
            QCoreApplication::translate("SurveyStart", "Bu bir ölçerin veritabanı adresi değil:") +
                QLatin1Char('\n') + url +
                (error.empty() ? QString() : QLatin1Char('\n') + QString::fromStdString(error)),
            QStringLiteral("Vrel"), Prompt::Icon::Warning);
        return false;
    }
    CSurveyWnd::openDatabase(*source, parent);
    return true;
}

void openSurveyFromDatabase(QWidget* parent) {
    const std::filesystem::path path = programSettingsPath();
    ProfileFile settings = ProfileFile::load(path);
    Prompt::TextRequest ask;
    ask.caption = QCoreApplication::translate("SurveyStart", "Veritabanından aç");
    ask.label = QCoreApplication::translate(
        "SurveyStart",
        "Ölçerin veritabanı adresi (postgresql://KULLANICI@SUNUCU/VT?site=…&meter=…):");
    ask.value = QString::fromStdString(
        settings.value(databaseSection, lastUrlKey)
            .value_or("postgresql://vrel@localhost/vrel?site=default&meter="));
    const auto url = prompt().text(parent, ask);
    if (!url || url->trimmed().isEmpty())
        return;
    if (!openDatabaseSurvey(parent, *url))
        return;
    // Only the address is kept: a password stays with libpq's password file.
    settings.setValue(databaseSection, lastUrlKey, url->trimmed().toStdString());
    std::error_code ec;
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path(), ec);
    settings.save(path);
}

void startSurveyFromMenu(CMyVrelView& view) {
    QWidget* parent = view.window();
    MeterSession& session = view.session();
    if (!session.portOpen()) {
        prompt().inform(parent,
                        QCoreApplication::translate(
                            "SurveyStart",
                            "Ölçer bağlı değil: ölçüm başlatılamaz. Ölçeri bağlayın ve portunu "
                            "\"COM portu\" menüsünden seçin."),
                        QStringLiteral("Vrel"), Prompt::Icon::Warning);
        return;
    }
    Prompt::FileRequest where;
    where.mode = Prompt::FileRequest::Mode::Folder;
    where.caption = QCoreApplication::translate("SurveyStart", "Ölçümün klasörü");
    where.initialName = QDir::homePath();
    const QString folder = prompt().file(parent, where).path;
    if (folder.isEmpty())
        return;
    const std::string dir = QFile::encodeName(folder).toStdString();
    // Two runs appending to one folder would interleave their files.
    for (const CSurveyWnd* w : parent->findChildren<CSurveyWnd*>())
        if (w->surveyRunning() && QDir(w->folder()) == QDir(folder)) {
            prompt().inform(
                parent,
                QCoreApplication::translate("SurveyStart", "Bu klasörde bir ölçüm zaten sürüyor:") +
                    QLatin1Char('\n') + QDir::toNativeSeparators(folder),
                QStringLiteral("Vrel"), Prompt::Icon::Warning);
            return;
        }

    Prompt::SurveyRequest initial;
    initial.folder = folder;
    initial.resumes = lastSurveyWrite(dir).has_value();
    KeychainStore keyring;
    const std::optional<RememberedBroker> broker = rememberedBroker(keyring);
    if (broker) {
        initial.broker = broker->url;
        initial.publish = !broker->meter.isEmpty();
        initial.site = broker->site.isEmpty() ? QStringLiteral("default") : broker->site;
        initial.meter = broker->meter.isEmpty() ? QString::fromStdString(meterIdFromHostName(
                                                      QSysInfo::machineHostName().toStdString()))
                                                : broker->meter;
        initial.passwordKept = broker->passwordKept;
    }
    const auto chosen = prompt().survey(parent, initial);
    if (!chosen)
        return;
    if (const auto fault = prepareSurveyFolder(dir)) {
        prompt().inform(parent,
                        QCoreApplication::translate("SurveyStart", "Ölçüm bu klasöre yazılamaz:") +
                            QLatin1Char('\n') + QString::fromStdString(*fault),
                        QStringLiteral("Vrel"), Prompt::Icon::Warning);
        return;
    }
    SurveySettings settings;
    settings.dir = dir;
    settings.interval = chosen->interval;
    settings.split = chosen->dailyFiles ? SurveySplit::Day : SurveySplit::Hour;
    settings.summarySeconds = chosen->summarySeconds;
    if (chosen->events)
        settings.events =
            EventRules{chosen->eventAbove, chosen->eventHysteresis, 0, chosen->eventMinSeconds};
    resumeSurvey(settings, appClock());
    std::unique_ptr<MqttPublisher> publisher;
    if (broker && chosen->publish) {
        const std::string site = chosen->site.toStdString();
        const std::string meter = chosen->meter.toStdString();
        const auto archivedBy =
            chosen->archivedBy.isEmpty()
                ? std::optional<std::vector<std::string>>(std::vector<std::string>())
                : parseCollectorNames(chosen->archivedBy.toStdString());
        MqttSettings client = broker->settings;
        if (!broker->passwordKept)
            client.password = chosen->password.toStdString();
        publisher = std::make_unique<MqttPublisher>(
            client,
            PublisherSettings{site, meter, dir, settings.interval, settings.summarySeconds, true,
                              VREL_VERSION, archivedBy.value_or(std::vector<std::string>())},
            appClock());
        std::string error;
        if (!isValidMqttId(site) || !isValidMqttId(meter) || !archivedBy ||
            !publisher->start(error)) {
            prompt().inform(
                parent,
                QCoreApplication::translate("SurveyStart", "Ölçüm ağına yayın başlatılamadı:") +
                    QLatin1Char('\n') +
                    (error.empty()
                         ? QCoreApplication::translate(
                               "SurveyStart", "Saha, ölçer ve toplayıcı adları a-z, 0-9, _ "
                                              "ve - ile en çok 32 karakter olmalı.")
                         : QString::fromStdString(error)),
                QStringLiteral("Vrel"), Prompt::Icon::Warning);
            return;
        }
        rememberSurveyNames(chosen->site, chosen->meter);
    } else if (broker) {
        rememberSurveyNames(chosen->site, QString());
    }
    CSurveyWnd::startSurvey(session, settings, parent, std::move(publisher));
}

bool endSurveysBeforeClosing(QWidget* frame) {
    QList<CSurveyWnd*> running;
    QStringList folders;
    for (CSurveyWnd* w : frame->findChildren<CSurveyWnd*>())
        if (w->surveyRunning()) {
            running << w;
            folders << QDir::toNativeSeparators(w->folder());
        }
    if (running.isEmpty())
        return true;
    const Prompt::Answer a = prompt().message(
        frame, {QCoreApplication::translate("SurveyStart", "Ölçüm sürüyor:") + QLatin1Char('\n') +
                    folders.join(QLatin1Char('\n')) + QLatin1Char('\n') +
                    QCoreApplication::translate("SurveyStart",
                                                "Ölçüm durdurulup dosyaları kapatılsın ve program "
                                                "kapansın mı?"),
                QStringLiteral("Vrel"), Prompt::Buttons::YesNo, Prompt::Icon::Question});
    if (a != Prompt::Answer::Yes)
        return false;
    for (CSurveyWnd* w : running)
        w->stopSurvey();
    return true;
}
