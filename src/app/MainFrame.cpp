#include "app/MainFrame.h"

#include "app/AboutDlg.h"
#include "app/Artwork.h"
#include "app/MyVrelView.h"
#include "app/Prompt.h"
#include "graph/LevelLimit.h"
#include "link/MeterLink.h"
#include "live/RecordingFeature.h"

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
// Status-bar prompts of the commands.
const QHash<int, QString>& commandPrompts() {
    static const QHash<int, QString> prompts{
        {32771, QStringLiteral("Gerçek zamanlı kaydı başlat")},
        {32772, QStringLiteral("Gerçek zamanlı kaydı durdur")},
        {32773, QStringLiteral("Clean Real Time Data")},
        {32780, QStringLiteral("Veri kayıt cihazını başlat")},
        {32785, QStringLiteral("Veri taşı")},
        {32786, QStringLiteral("Verileri kaydet")},
        {32788, QStringLiteral("Uygulamadan çık")},
        {32790, QStringLiteral("Veri setini aç")},
        {32791, QStringLiteral("Gerçek zaman parametreleri ayarı")},
        {32796, QStringLiteral("Verileri yazdır")},
        {32799, QStringLiteral("Yardım")},
        {32802, QStringLiteral("Diyagramı yazdır")},
        {57664, QStringLiteral("Program bilgisini ve sürüm numarasını göster")},
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
    a->setStatusTip(tip.isEmpty() ? commandPrompts().value(id) : tip);
    connect(a, &QAction::triggered, this, [this, id] { view_->command(id); });
    actions_.insert(id, a);
    return a;
}

void CMainFrame::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("Dosya(&F)"));
    QAction* open = addCommand(32790, QStringLiteral("Aç(&O)"));
    open->setShortcut(QKeySequence::Open);
    open->setIcon(toolIcon(ToolIcon::Open));
    QAction* saveAs = addCommand(32786, QStringLiteral("Farklı kaydet (&S)"));
    saveAs->setShortcut(QKeySequence::Save);
    saveAs->setIcon(toolIcon(ToolIcon::Save));
    addCommand(32785, QStringLiteral("Excel'e aktar(&E)"))->setIcon(toolIcon(ToolIcon::Export));
    addCommand(32802, QStringLiteral("Diyagramı yazdır(&G)"))->setIcon(toolIcon(ToolIcon::Print));
    addCommand(32796, QStringLiteral("Verileri yazdır(&D)"));
    addCommand(32788, QStringLiteral("Bitir(&X)"));
    for (int id : {32790, 32786, 32785, 32802, 32796})
        file->addAction(action(id));
    file->addSeparator();
    file->addAction(action(32788));

    QMenu* realTime = menuBar()->addMenu(QStringLiteral("Gerçek zaman(&R)"));
    addCommand(32771, QStringLiteral("Kayıt(&R)"))->setIcon(toolIcon(ToolIcon::Record));
    addCommand(32772, QStringLiteral("Stop(&S)"))->setIcon(toolIcon(ToolIcon::Stop));
    addCommand(32773, QStringLiteral("Verileri sil(C)"));
    addCommand(32791, QStringLiteral("Ayarlar(&U)"));
    for (int id : {32771, 32772, 32773, 32791})
        realTime->addAction(action(id));

    menuBar()->addAction(addCommand(32780, QStringLiteral("DataLogger(&D)")));

    QMenu* port = menuBar()->addMenu(QStringLiteral("COM portu(&C)"));
    auto* portGroup = new QActionGroup(this);
    for (const auto& [id, text] : {std::pair{32815, QStringLiteral("manüel(&M)")},
                                   std::pair{32816, QStringLiteral("Otomatik(&A)")}}) {
        QAction* a = addCommand(id, text);
        a->setCheckable(true);
        portGroup->addAction(a);
        port->addAction(a);
    }

    QMenu* viewMenu = menuBar()->addMenu(QStringLiteral("Görünüm(&V)"));
    QAction* toolbarToggle = addCommand(59392, QStringLiteral("Menü çubuğu(&T)"),
                                        QStringLiteral("Araç çubuğunu göster veya gizle"));
    QAction* statusToggle = addCommand(59393, QStringLiteral("Durum satırı(&S)"),
                                       QStringLiteral("Durum satırını göster veya gizle"));
    for (QAction* a : {toolbarToggle, statusToggle}) {
        a->setCheckable(true);
        a->setChecked(true);
        viewMenu->addAction(a);
    }
    viewMenu->addAction(addCommand(32817, QStringLiteral("Renk ayarları")));
    viewMenu->addSeparator();
    viewMenu->addAction(addCommand(LevelLimitCommand::set, QStringLiteral("Sınır seviyesi…"),
                                   QStringLiteral("Grafiklerde çizilen sınır seviyesini ayarla")));
    viewMenu->addAction(addCommand(LevelLimitCommand::clear, QStringLiteral("Sınırı kaldır"),
                                   QStringLiteral("Sınır seviyesini kapat")));
    view_->onCommand(LevelLimitCommand::set, [this] { levelLimit().ask(this); });
    view_->onCommand(LevelLimitCommand::clear, [this] { levelLimit().set(std::nullopt, this); });

    QMenu* help = menuBar()->addMenu(QStringLiteral("Yardım(&H)"));
    help->addAction(addCommand(32799, QStringLiteral("İçerik(&C)")));
    help->addAction(addCommand(57664, QStringLiteral("hakkında(&A)")));
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
    setWindowTitle(appTitle() + QStringLiteral(" - DEMO (simulated meter)"));
    updatePortState();
}

void CMainFrame::updatePortState() {
    action(32815)->setChecked(!view_->autoPort());
    action(32816)->setChecked(view_->autoPort());
    QString text;
    const bool connected = view_->link().snapshot().connected;
    if (!demoPath_.isEmpty())
        text = QStringLiteral("Demo meter (simulated) on %1").arg(demoPath_);
    else if (!view_->link().isOpen())
        text = QStringLiteral("No meter port open");
    else
        text = QStringLiteral("Port %1").arg(view_->portPath());
    text += connected ? QStringLiteral(" - receiving") : QStringLiteral(" - no data");
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
