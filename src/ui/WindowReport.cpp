#include "ui/WindowReport.h"

#include "config/ColorConfig.h"
#include "config/Language.h"
#include "layout/ReportLayout.h"
#include "model/Clock.h"
#include "print/ReportRenderer.h"
#include "print/ReportTexts.h"
#include "survey/SeriesReport.h"
#include "ui/LevelLimit.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>
#include <QSaveFile>
#include <QSettings>

#include <functional>

namespace WindowReport {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("WindowReport", text);
}

std::optional<NoiseSettings>& cached() {
    static std::optional<NoiseSettings> settings;
    return settings;
}

ReportTitle titleOf(const Prompt::ReportRequest& r) {
    return {r.site.toStdString(), r.operatorName.toStdString(), r.meter.toStdString(),
            r.notes.toStdString()};
}

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

std::filesystem::path settingsPath() {
    return besideColorConfig("Report.ini");
}

Prompt::ReportRequest remembered() {
    QSettings ini(QString::fromStdString(settingsPath().string()), QSettings::IniFormat);
    Prompt::ReportRequest r;
    ini.beginGroup(QStringLiteral("Title"));
    r.site = ini.value(QStringLiteral("Site")).toString();
    r.operatorName = ini.value(QStringLiteral("Operator")).toString();
    r.meter = ini.value(QStringLiteral("Meter")).toString();
    r.notes = ini.value(QStringLiteral("Notes")).toString();
    ini.endGroup();
    ini.beginGroup(QStringLiteral("Figures"));
    r.shiftHours = std::clamp(ini.value(QStringLiteral("ShiftHours"), 0.0).toDouble(), 0.0, 24.0);
    const int interval = ini.value(QStringLiteral("IntervalSeconds"), 900).toInt();
    r.intervalSeconds =
        parseIntervalName(intervalName(interval)) == interval && interval > 0 ? interval : 900;
    const PeriodBounds b{ini.value(QStringLiteral("DayStart"), 7).toInt(),
                         ini.value(QStringLiteral("EveningStart"), 19).toInt(),
                         ini.value(QStringLiteral("NightStart"), 23).toInt()};
    if (b.valid()) {
        r.dayStart = b.dayStart;
        r.eveningStart = b.eveningStart;
        r.nightStart = b.nightStart;
    }
    r.toPrinter = ini.value(QStringLiteral("ToPrinter"), false).toBool();
    ini.endGroup();
    return r;
}

bool remember(const Prompt::ReportRequest& r) {
    cached() = noiseSettingsOf(r);
    const auto path = settingsPath();
    if (path.has_parent_path()) {
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
    }
    QSettings ini(QString::fromStdString(path.string()), QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("Title"));
    ini.setValue(QStringLiteral("Site"), r.site);
    ini.setValue(QStringLiteral("Operator"), r.operatorName);
    ini.setValue(QStringLiteral("Meter"), r.meter);
    ini.setValue(QStringLiteral("Notes"), r.notes);
    ini.endGroup();
    ini.beginGroup(QStringLiteral("Figures"));
    ini.setValue(QStringLiteral("ShiftHours"), r.shiftHours);
    ini.setValue(QStringLiteral("IntervalSeconds"), r.intervalSeconds);
    ini.setValue(QStringLiteral("DayStart"), r.dayStart);
    ini.setValue(QStringLiteral("EveningStart"), r.eveningStart);
    ini.setValue(QStringLiteral("NightStart"), r.nightStart);
    ini.setValue(QStringLiteral("ToPrinter"), r.toPrinter);
    ini.endGroup();
    ini.sync();
    return ini.status() == QSettings::NoError;
}

NoiseSettings noiseSettingsOf(const Prompt::ReportRequest& r) {
    NoiseSettings s;
    if (r.shiftHours > 0)
        s.shiftHours = r.shiftHours;
    s.intervalSeconds = r.intervalSeconds;
    s.bounds = {r.dayStart, r.eveningStart, r.nightStart};
    return s;
}

const NoiseSettings& noiseSettings() {
    if (!cached())
        cached() = noiseSettingsOf(remembered());
    return *cached();
}

namespace {

// Asks for the title block and the settings, then for the PDF file or the
// printer, and produces the pages layout makes of the answer.
Result produce(QWidget* parent, const QString& scope,
               const std::function<std::vector<ReportPage>(const Prompt::ReportRequest&)>& layout) {
    const QString caption = tr("Rapor");
    Prompt::ReportRequest initial = remembered();
    initial.scope = scope;
    const auto answer = prompt().report(parent, initial);
    if (!answer)
        return Result::Cancelled;
    if (!remember(*answer))
        prompt().inform(parent, tr("Rapor ayarları kaydedilemedi."), caption,
                        Prompt::Icon::Warning);

    QString error;
    if (answer->toPrinter) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(QString::fromStdString(reportTexts().title));
        printer.setFullPage(true);
        printer.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        if (!prompt().choosePrinter(parent, printer))
            return Result::Cancelled;
        WaitCursor wait;
        if (renderReport(printer, layout(*answer), &error))
            return Result::Written;
    } else {
        Prompt::FileRequest request;
        request.mode = Prompt::FileRequest::Mode::Save;
        request.caption = caption;
        request.initialName = caption + QStringLiteral(".pdf");
        request.defaultSuffix = QStringLiteral("pdf");
        request.filters = {tr("PDF dosyası (*.pdf)")};
        const QString path = prompt().file(parent, request).path;
        if (path.isEmpty())
            return Result::Cancelled;
        WaitCursor wait;
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            error = tr("%1 oluşturulamıyor: %2").arg(path, file.errorString());
        } else {
            bool rendered = false;
            {
                QPdfWriter writer(&file);
                setUpReportPdf(writer, QString::fromStdString(reportTexts().title),
                               QStringLiteral("Vrel"));
                rendered = renderReport(writer, layout(*answer), &error);
            }
            if (rendered && file.commit())
                return Result::Written;
            if (rendered)
                error = tr("%1 yazılamıyor: %2").arg(path, file.errorString());
            file.cancelWriting();
        }
    }
    prompt().inform(parent, error, caption, Prompt::Icon::Warning);
    return Result::Failed;
}

} // namespace

Result run(QWidget* parent, const RecordList& series, const SeriesStats& stats,
           const QString& scope, std::optional<ReportSpan> span) {
    if (series.empty()) {
        prompt().inform(parent, tr("Rapor için okuma yok."), tr("Rapor"),
                        Prompt::Icon::Information);
        return Result::NothingToReport;
    }
    return produce(parent, scope, [&](const Prompt::ReportRequest& answer) {
        ReportInput input;
        input.series = &series;
        input.span = span;
        input.stats = stats;
        input.limit = levelLimit().value();
        input.settings = noiseSettingsOf(answer);
        input.title = titleOf(answer);
        input.now = appClock().localNow();
        // the interface's language, as the dialogs that asked for it
        input.texts = reportTexts();
        return layoutReport(input);
    });
}

Result runSeries(QWidget* parent, const SeriesStore& series, SeriesMs t0, SeriesMs t1,
                 const SurveyMarks& marks, const QString& scope,
                 const std::optional<EventRules>& events) {
    if (series.sum(t0, t1).count == 0) {
        prompt().inform(parent, tr("Rapor için okuma yok."), tr("Rapor"),
                        Prompt::Icon::Information);
        return Result::NothingToReport;
    }
    return produce(parent, scope, [&](const Prompt::ReportRequest& answer) {
        SeriesReportInput input =
            seriesReportInput(series, t0, t1, noiseSettingsOf(answer).bounds, levelLimit().value(),
                              reportTexts(), interfaceLanguage(), marks, appClock(), events);
        input.title = titleOf(answer);
        input.now = appClock().localNow();
        return layoutSeriesReport(input);
    });
}

} // namespace WindowReport
