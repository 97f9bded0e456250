#include "app/MainFrame.h"

#include "app/AboutDlg.h"
#include "app/DataLoggerCommands.h"
#include "app/MyVrelView.h"
#include "app/RecordingFeature.h"
#include "app/SurveyStart.h"
#include "link/MeterLink.h"
#include "link/MeterSession.h"
#include "network/NetworkStart.h"
#include "ui/Artwork.h"
#include "ui/CommandIds.h"
#include "ui/LevelLimit.h"
#include "ui/Prompt.h"
#include "ui/WindowReport.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

namespace {
// Status-bar prompts of the commands, translated when shown. "Clean Real Time
// Data" is the program's own English text in both languages.
const QHash<CommandId, const char*>& commandPrompts() {
    static const QHash<CommandId, const char*> prompts{
        {CommandId::StartRecording, QT_TRANSLATE_NOOP("CMainFrame", "Gerçek zamanlı kaydı başlat")},
        {CommandId::StopRecording, QT_TRANSLATE_NOOP("CMainFrame", "Gerçek zamanlı kaydı durdur")},
        {CommandId::ClearRecording, "Clean Real Time Data"},
        {CommandId::DownloadLogger, QT_TRANSLATE_NOOP("CMainFrame", "Veri kayıt cihazını başlat")},
        {CommandId::ExportToExcel, QT_TRANSLATE_NOOP("CMainFrame", "Veri taşı")},
        {CommandId::SaveAs, QT_TRANSLATE_NOOP("CMainFrame", "Verileri kaydet")},
        {CommandId::Exit, QT_TRANSLATE_NOOP("CMainFrame", "Uygulamadan çık")},
        {CommandId::OpenDataFile, QT_TRANSLATE_NOOP("CMainFrame", "Veri setini aç")},
        {CommandId::RecordingSettings,
         QT_TRANSLATE_NOOP("CMainFrame", "Gerçek zaman parametreleri ayarı")},
        {CommandId::PrintData, QT_TRANSLATE_NOOP("CMainFrame", "Verileri yazdır")},
        {CommandId::HelpContents, QT_TRANSLATE_NOOP("CMainFrame", "Yardım")},
        {CommandId::PrintDiagram, QT_TRANSLATE_NOOP("CMainFrame", "Diyagramı yazdır")},
        {CommandId::About,
         QT_TRANSLATE_NOOP("CMainFrame", "Program bilgisini ve sürüm numarasını göster")},
    };
    return prompts;
}
} // namespace

QString CMainFrame::appTitle() {
    return QStringLiteral("Kovra Sound Level Meter");
}

QString helpFilePath() {
    const QDir dir(QCoreApplication::applicationDirPath());
#ifdef Q_OS_WIN
    const QStringList candidates{dir.filePath(QStringLiteral("Help.chm"))};
#else
    const QStringList candidates{dir.filePath(QStringLiteral("help/index.html")),
                                 dir.filePath(QStringLiteral("../share/vrel/help/index.html"))};
#endif
    for (const QString& c : candidates)
        if (QFileInfo::exists(c))
            return QFileInfo(c).absoluteFilePath();
    return {};
}

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(appTitle());
    setWindowIcon(appIcon());

    auto* scroller = new QScrollArea(this);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    view_ = new CMyVrelView;
    scroller->setWidget(view_);
    setCentralWidget(scroller);

    buildMenus();
    buildToolBar();
    buildStatusBar();
    attachDataLogger(*view_);
    attachRecording(*view_, [this](CommandId id) { return action(id); });

    view_->onCommand(CommandId::Exit, [this] { close(); });
    view_->onCommand(CommandId::HelpContents, [this] { showHelp(); });
    view_->onCommand(CommandId::About, [this] { CAboutDlg(this).exec(); });
    connect(view_, &CMyVrelView::portChanged, this, &CMainFrame::updatePortState);
    connect(&view_->link(), &MeterLink::redrawNeeded, this, &CMainFrame::updatePortState);
    connect(&view_->timer(2), &QTimer::timeout, this, &CMainFrame::updatePortState);
    updatePortState();
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::addCommand(CommandId id, const QString& text, const QString& tip) {
    auto* a = new QAction(text, this);
    const char* prompt = commandPrompts().value(id);
    a->setStatusTip(!tip.isEmpty() || !prompt ? tip : tr(prompt));
    connect(a, &QAction::triggered, this, [this, id] { view_->command(id); });
    actions_.insert(id, a);
    return a;
}

void CMainFrame::buildMenus() {
    QMenu* file = menuBar()->addMenu(tr("Dosya(&F)"));
    QAction* open = addCommand(CommandId::OpenDataFile, tr("Aç(&O)"));
    open->setShortcut(QKeySequence::Open);
    open->setIcon(toolIcon(ToolIcon::Open));
    auto* fromDatabase = new QAction(tr("Aç → Veritabanından…"), this);
    fromDatabase->setObjectName(QStringLiteral("openDatabase"));
    fromDatabase->setStatusTip(tr("Bir ölçerin ölçümünü PostgreSQL arşivinden aç"));
    connect(fromDatabase, &QAction::triggered, this, [this] { openSurveyFromDatabase(this); });
    QAction* saveAs = addCommand(CommandId::SaveAs, tr("Farklı kaydet (&S)"));
    saveAs->setShortcut(QKeySequence::Save);
    saveAs->setIcon(toolIcon(ToolIcon::Save));
    addCommand(CommandId::ExportToExcel, tr("Excel'e aktar(&E)"))
        ->setIcon(toolIcon(ToolIcon::Export));
    addCommand(CommandId::PrintDiagram, tr("Diyagramı yazdır(&G)"))
        ->setIcon(toolIcon(ToolIcon::Print));
    addCommand(CommandId::PrintData, tr("Verileri yazdır(&D)"));
    addCommand(CommandId::Exit, tr("Bitir(&X)"));
    addCommand(CommandId::StartSurvey, tr("Ölçüm başlat(&M)…"),
               tr("Bağlı ölçerle bir klasöre uzun süreli ölçüm başlat ve büyüdükçe göster"));
    view_->onCommand(CommandId::StartSurvey, [this] { startSurveyFromMenu(*view_); });
    for (CommandId id : {CommandId::OpenDataFile, CommandId::StartSurvey, CommandId::SaveAs,
                         CommandId::ExportToExcel, CommandId::PrintDiagram, CommandId::PrintData}) {
        file->addAction(action(id));
        if (id == CommandId::OpenDataFile)
            file->addAction(fromDatabase);
    }
    file->addAction(addCommand(CommandId::Report, tr("Rapor(&R)…"),
                               tr("Ölçüm raporunu PDF dosyasına veya yazıcıya çıkar")));
    view_->onCommand(CommandId::Report, [this] {
        WindowReport::run(view_, view_->realTimeRecords(), view_->realTimeStats());
    });
    file->addSeparator();
    file->addAction(action(CommandId::Exit));

    QMenu* realTime = menuBar()->addMenu(tr("Gerçek zaman(&R)"));
    addCommand(CommandId::StartRecording, tr("Kayıt(&R)"))->setIcon(toolIcon(ToolIcon::Record));
    // The original's captions stay as they are in Turkish; only English translates them.
    addCommand(CommandId::StopRecording, tr("Stop(&S)"))->setIcon(toolIcon(ToolIcon::Stop));
    addCommand(CommandId::ClearRecording, tr("Verileri sil(C)"));
    addCommand(CommandId::RecordingSettings, tr("Ayarlar(&U)"));
    for (CommandId id : {CommandId::StartRecording, CommandId::StopRecording,
                         CommandId::ClearRecording, CommandId::RecordingSettings})
        realTime->addAction(action(id));

    menuBar()->addAction(addCommand(CommandId::DownloadLogger, tr("DataLogger(&D)")));

    QMenu* port = menuBar()->addMenu(tr("COM portu(&C)"));
    auto* portGroup = new QActionGroup(this);
    for (const auto& [id, text] : {std::pair{CommandId::ManualPort, tr("manüel(&M)")},
                                   std::pair{CommandId::AutomaticPort, tr("Otomatik(&A)")}}) {
        QAction* a = addCommand(id, text);
        a->setCheckable(true);
        portGroup->addAction(a);
        port->addAction(a);
    }

    QMenu* viewMenu = menuBar()->addMenu(tr("Görünüm(&V)"));
    QAction* toolbarToggle = addCommand(CommandId::ToggleToolBar, tr("Menü çubuğu(&T)"),
                                        tr("Araç çubuğunu göster veya gizle"));
    QAction* statusToggle = addCommand(CommandId::ToggleStatusBar, tr("Durum satırı(&S)"),
                                       tr("Durum satırını göster veya gizle"));
    for (QAction* a : {toolbarToggle, statusToggle}) {
        a->setCheckable(true);
        a->setChecked(true);
        viewMenu->addAction(a);
    }
    viewMenu->addAction(addCommand(CommandId::ColourSettings, tr("Renk ayarları")));
    viewMenu->addSeparator();
    viewMenu->addAction(addCommand(CommandId::SetLevelLimit, tr("Sınır seviyesi…"),
                                   tr("Grafiklerde çizilen sınır seviyesini ayarla")));
    viewMenu->addAction(
        addCommand(CommandId::ClearLevelLimit, tr("Sınırı kaldır"), tr("Sınır seviyesini kapat")));
    view_->onCommand(CommandId::SetLevelLimit, [this] { levelLimit().ask(this); });
    view_->onCommand(CommandId::ClearLevelLimit, [this] { levelLimit().set(std::nullopt, this); });

    QMenu* network = menuBar()->addMenu(tr("Ağ(&N)"));
    network->addAction(addCommand(CommandId::OpenNetwork, tr("Ölçüm ağı…"),
                                  tr("Ağdaki bütün ölçerleri bir tabloda göster")));
    view_->onCommand(CommandId::OpenNetwork, [this] { openNetworkFromMenu(this); });

    QMenu* help = menuBar()->addMenu(tr("Yardım(&H)"));
    help->addAction(addCommand(CommandId::HelpContents, tr("İçerik(&C)")));
    help->addAction(addCommand(CommandId::About, tr("hakkında(&A)")));
    action(CommandId::About)->setIcon(toolIcon(ToolIcon::About));
}

void CMainFrame::buildToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Standard"));
    bar->setObjectName(QStringLiteral("128"));
    bar->setIconSize(QSize(16, 16));
    bar->addAction(action(CommandId::OpenDataFile));
    bar->addSeparator();
    for (CommandId id : {CommandId::SaveAs, CommandId::ExportToExcel, CommandId::StartRecording,
                         CommandId::StopRecording})
        bar->addAction(action(id));
    bar->addSeparator();
    bar->addAction(action(CommandId::PrintDiagram));
    bar->addAction(action(CommandId::About));

    view_->onCommand(CommandId::ToggleToolBar, [this, bar] {
        bar->setVisible(action(CommandId::ToggleToolBar)->isChecked());
    });
}

void CMainFrame::buildStatusBar() {
    QStatusBar* status = statusBar();
    portPane_ = new QLabel(status);
    portPane_->setObjectName(QStringLiteral("portPane"));
    status->addPermanentWidget(portPane_);
    // the keyboard-lock panes of the original status bar; they show greyed
    for (const char* pane : {"CAP", "NUM", "SCRL"}) {
        auto* l = new QLabel(QString::fromLatin1(pane), status);
        l->setEnabled(false);
        l->setAlignment(Qt::AlignCenter);
        l->setMinimumWidth(l->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 12);
        status->addPermanentWidget(l);
    }
    view_->onCommand(CommandId::ToggleStatusBar, [this] {
        statusBar()->setVisible(action(CommandId::ToggleStatusBar)->isChecked());
    });
}

void CMainFrame::setDemo(const QString& devicePath) {
    demoPath_ = devicePath;
    setWindowTitle(appTitle() + tr(" - DEMO (benzetilmiş cihaz)"));
    updatePortState();
}

void CMainFrame::updatePortState() {
    action(CommandId::ManualPort)->setChecked(!view_->autoPort());
    action(CommandId::AutomaticPort)->setChecked(view_->autoPort());
    QString text;
    const bool connected = view_->link().snapshot().connected;
    if (!demoPath_.isEmpty())
        text = tr("Demo cihaz (benzetim): %1").arg(demoPath_);
    else if (view_->waitingForMeter())
        text = tr("Cihaz bekleniyor: %1").arg(view_->session().portLabel());
    else if (!view_->link().isOpen())
        text = tr("Cihazın portu açık değil");
    else
        text = tr("Port %1").arg(view_->portPath());
    text += connected ? tr(" - veri geliyor") : tr(" - veri yok");
    portPane_->setText(text);
}

void CMainFrame::showHelp() {
    const QString path = helpFilePath();
    if (!path.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!view_->realTimeRecords().empty() || !view_->loggerRecords().empty()) {
        const Prompt::Answer a =
            prompt().message(this, {QStringLiteral("Close Window?"), appTitle(),
                                    Prompt::Buttons::OkCancel, Prompt::Icon::None});
        if (a != Prompt::Answer::Ok) {
            event->ignore();
            return;
        }
    }
    if (!endSurveysBeforeClosing(this)) {
        event->ignore();
        return;
    }
    event->accept();
}
