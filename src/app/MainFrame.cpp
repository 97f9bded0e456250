#include "app/MainFrame.h"

#include "app/AboutDlg.h"
#include "app/MyVrelView.h"
#include "app/RecordingFeature.h"
#include "link/MeterLink.h"
#include "link/MeterSession.h"
#include "network/NetworkStart.h"
#include "ui/Artwork.h"
#include "ui/LevelLimit.h"
#include "ui/Prompt.h"
#include "ui/ReportCommand.h"

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
const QHash<int, const char*>& commandPrompts() {
    static const QHash<int, const char*> prompts{
        {32771, QT_TRANSLATE_NOOP("CMainFrame", "Gerçek zamanlı kaydı başlat")},
        {32772, QT_TRANSLATE_NOOP("CMainFrame", "Gerçek zamanlı kaydı durdur")},
        {32773, "Clean Real Time Data"},
        {32780, QT_TRANSLATE_NOOP("CMainFrame", "Veri kayıt cihazını başlat")},
        {32785, QT_TRANSLATE_NOOP("CMainFrame", "Veri taşı")},
        {32786, QT_TRANSLATE_NOOP("CMainFrame", "Verileri kaydet")},
        {32788, QT_TRANSLATE_NOOP("CMainFrame", "Uygulamadan çık")},
        {32790, QT_TRANSLATE_NOOP("CMainFrame", "Veri setini aç")},
        {32791, QT_TRANSLATE_NOOP("CMainFrame", "Gerçek zaman parametreleri ayarı")},
        {32796, QT_TRANSLATE_NOOP("CMainFrame", "Verileri yazdır")},
        {32799, QT_TRANSLATE_NOOP("CMainFrame", "Yardım")},
        {32802, QT_TRANSLATE_NOOP("CMainFrame", "Diyagramı yazdır")},
        {57664, QT_TRANSLATE_NOOP("CMainFrame", "Program bilgisini ve sürüm numarasını göster")},
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
    attachRecording(*view_, [this](int id) { return action(id); });

    view_->onCommand(32788, [this] { close(); });
    view_->onCommand(32799, [this] { showHelp(); });
    view_->onCommand(57664, [this] { CAboutDlg(this).exec(); });
    connect(view_, &CMyVrelView::portChanged, this, &CMainFrame::updatePortState);
    connect(&view_->link(), &MeterLink::redrawNeeded, this, &CMainFrame::updatePortState);
    connect(&view_->timer(2), &QTimer::timeout, this, &CMainFrame::updatePortState);
    updatePortState();
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::addCommand(int id, const QString& text, const QString& tip) {
    auto* a = new QAction(text, this);
    const char* prompt = commandPrompts().value(id);
    a->setStatusTip(!tip.isEmpty() || !prompt ? tip : tr(prompt));
    connect(a, &QAction::triggered, this, [this, id] { view_->command(id); });
    actions_.insert(id, a);
    return a;
}

void CMainFrame::buildMenus() {
    QMenu* file = menuBar()->addMenu(tr("Dosya(&F)"));
    QAction* open = addCommand(32790, tr("Aç(&O)"));
    open->setShortcut(QKeySequence::Open);
    open->setIcon(toolIcon(ToolIcon::Open));
    QAction* saveAs = addCommand(32786, tr("Farklı kaydet (&S)"));
    saveAs->setShortcut(QKeySequence::Save);
    saveAs->setIcon(toolIcon(ToolIcon::Save));
    addCommand(32785, tr("Excel'e aktar(&E)"))->setIcon(toolIcon(ToolIcon::Export));
    addCommand(32802, tr("Diyagramı yazdır(&G)"))->setIcon(toolIcon(ToolIcon::Print));
    addCommand(32796, tr("Verileri yazdır(&D)"));
    addCommand(32788, tr("Bitir(&X)"));
    for (int id : {32790, 32786, 32785, 32802, 32796})
        file->addAction(action(id));
    file->addAction(addCommand(ReportCommand::commandId, tr("Rapor(&R)…"),
                               tr("Ölçüm raporunu PDF dosyasına veya yazıcıya çıkar")));
    view_->onCommand(ReportCommand::commandId, [this] {
        ReportCommand::run(view_, view_->realTimeRecords(), view_->realTimeStats());
    });
    file->addSeparator();
    file->addAction(action(32788));

    QMenu* realTime = menuBar()->addMenu(tr("Gerçek zaman(&R)"));
    addCommand(32771, tr("Kayıt(&R)"))->setIcon(toolIcon(ToolIcon::Record));
    addCommand(32772, QStringLiteral("Stop(&S)"))->setIcon(toolIcon(ToolIcon::Stop));
    addCommand(32773, tr("Verileri sil(C)"));
    addCommand(32791, tr("Ayarlar(&U)"));
    for (int id : {32771, 32772, 32773, 32791})
        realTime->addAction(action(id));

    menuBar()->addAction(addCommand(32780, QStringLiteral("DataLogger(&D)")));

    QMenu* port = menuBar()->addMenu(tr("COM portu(&C)"));
    auto* portGroup = new QActionGroup(this);
    for (const auto& [id, text] :
         {std::pair{32815, tr("manüel(&M)")}, std::pair{32816, tr("Otomatik(&A)")}}) {
        QAction* a = addCommand(id, text);
        a->setCheckable(true);
        portGroup->addAction(a);
        port->addAction(a);
    }

    QMenu* viewMenu = menuBar()->addMenu(tr("Görünüm(&V)"));
    QAction* toolbarToggle =
        addCommand(59392, tr("Menü çubuğu(&T)"), tr("Araç çubuğunu göster veya gizle"));
    QAction* statusToggle =
        addCommand(59393, tr("Durum satırı(&S)"), tr("Durum satırını göster veya gizle"));
    for (QAction* a : {toolbarToggle, statusToggle}) {
        a->setCheckable(true);
        a->setChecked(true);
        viewMenu->addAction(a);
    }
    viewMenu->addAction(addCommand(32817, tr("Renk ayarları")));
    viewMenu->addSeparator();
    viewMenu->addAction(addCommand(LevelLimitCommand::set, tr("Sınır seviyesi…"),
                                   tr("Grafiklerde çizilen sınır seviyesini ayarla")));
    viewMenu->addAction(
        addCommand(LevelLimitCommand::clear, tr("Sınırı kaldır"), tr("Sınır seviyesini kapat")));
    view_->onCommand(LevelLimitCommand::set, [this] { levelLimit().ask(this); });
    view_->onCommand(LevelLimitCommand::clear, [this] { levelLimit().set(std::nullopt, this); });

    QMenu* network = menuBar()->addMenu(tr("Ağ(&N)"));
    network->addAction(addCommand(NetworkCommand::open, tr("Ölçüm ağı…"),
                                  tr("Ağdaki bütün ölçerleri bir tabloda göster")));
    view_->onCommand(NetworkCommand::open, [this] { openNetworkFromMenu(this); });

    QMenu* help = menuBar()->addMenu(tr("Yardım(&H)"));
    help->addAction(addCommand(32799, tr("İçerik(&C)")));
    help->addAction(addCommand(57664, tr("hakkında(&A)")));
    action(57664)->setIcon(toolIcon(ToolIcon::About));
}

void CMainFrame::buildToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Standard"));
    bar->setObjectName(QStringLiteral("128"));
    bar->setIconSize(QSize(16, 16));
    bar->addAction(action(32790));
    bar->addSeparator();
    for (int id : {32786, 32785, 32771, 32772})
        bar->addAction(action(id));
    bar->addSeparator();
    bar->addAction(action(32802));
    bar->addAction(action(57664));

    view_->onCommand(59392, [this, bar] { bar->setVisible(action(59392)->isChecked()); });
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
    view_->onCommand(59393, [this] { statusBar()->setVisible(action(59393)->isChecked()); });
}

void CMainFrame::setDemo(const QString& devicePath) {
    demoPath_ = devicePath;
    setWindowTitle(appTitle() + tr(" - DEMO (benzetilmiş cihaz)"));
    updatePortState();
}

void CMainFrame::updatePortState() {
    action(32815)->setChecked(!view_->autoPort());
    action(32816)->setChecked(view_->autoPort());
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
            prompt().message(this, {QStringLiteral("Close Window?"), QStringLiteral("Tip"),
                                    Prompt::Buttons::OkCancel, Prompt::Icon::None});
        if (a != Prompt::Answer::Ok) {
            event->ignore();
            return;
        }
    }
    event->accept();
}
