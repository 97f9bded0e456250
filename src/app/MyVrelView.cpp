#include "app/MyVrelView.h"

#include "app/MainForm.h"
#include "app/PortDlg.h"
#include "graph/CGraphicsBtn.h"
#include "layout/MainLayout.h"
#include "link/KeySender.h"
#include "link/MeterLink.h"
#include "link/MeterSession.h"
#include "link/SerialPorts.h"
#include "live/MeterButtonTable.h"
#include "live/MeterPanel.h"
#include "model/Clock.h"
#include "model/SeriesStats.h"
#include "session/PortPolicy.h"
#include "ui/AcousticGroup.h"
#include "ui/Prompt.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>

#include <algorithm>

namespace {
constexpr int loggerTimeoutMs = 250000;
const QColor formColour(170, 175, 195);
} // namespace

CMyVrelView::CMyVrelView(QWidget* parent)
    : QWidget(parent), ports_(std::make_unique<PortPolicy>(appClock(), PortPolicy::windowTiming)),
      keySenders_(std::make_unique<KeySenders>(ports_->link())) {
    buildForm();
    applyColours();
    setMinimumSize(minViewWidth, minViewHeight);

    loggerTimer_.setSingleShot(true);
    loggerTimer_.setInterval(loggerTimeoutMs);
    connect(&loggerTimer_, &QTimer::timeout, this, &CMyVrelView::loggerTimeoutTick);

    MeterLink* link = &ports_->link();
    connect(link, &MeterLink::redrawNeeded, panel_, &CMeterPanel::refresh);
    connect(link, &MeterLink::stopRecordingRequested, this,
            [this] { emit meterEndsRecording(GapCause::Hold); });
    connect(ports_.get(), &PortPolicy::portLost, this, [this] {
        keySenders_->stopAll();
        panel_->refresh();
    });
    connect(&ports_->meter(), &MeterSession::stateChanged, this, &CMyVrelView::portChanged);
    connect(ports_.get(), &PortPolicy::opening, this, [this] { keySenders_->stopAll(); });
    connect(ports_.get(), &PortPolicy::openFailed, this, &CMyVrelView::reportOpenFailure);
    connect(ports_.get(), &PortPolicy::recordingEnds, this, &CMyVrelView::meterEndsRecording);
    connect(ports_.get(), &PortPolicy::quiet, panel_, &CMeterPanel::refresh);
    connect(ports_.get(), &PortPolicy::downloadStopped, this, &CMyVrelView::failLoggerDownload);

    onCommand(CommandId::ManualPort, [this] { chooseManualPort(); });
    onCommand(CommandId::AutomaticPort, [this] { chooseAutoPort(); });
}

CMyVrelView::~CMyVrelView() {
    keySenders_->stopAll();
    ports_->link().close();
    delete panel_; // it reads the link while painting
}

void CMyVrelView::buildForm() {
    panel_ = new CMeterPanel(ports_->link(), this);
    panel_->move(0, 0);

    FormBuilder builder;
    builder.setFactory([this](const ControlSpec& c, QWidget* parent) -> QWidget* {
        for (const MeterButtonSpec& b : meterButtons) {
            if (b.id != c.id)
                continue;
            auto* button = new CMeterButton(b, panel_);
            connect(button, &CMeterButton::keyPressed, this, &CMyVrelView::pressMeterKey);
            buttons_.push_back(button);
            return button;
        }
        auto* placeholder = new QFrame(parent);
        placeholder->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        placeholder->setAutoFillBackground(true);
        QPalette pal = placeholder->palette();
        pal.setColor(QPalette::Window, Qt::white);
        placeholder->setPalette(pal);
        return placeholder;
    });
    form_ = builder.build(mainFormSpec(), this);
    AcousticGroup::prepare(this);
    // the keys lie on the picture, not where the template has them
    for (CMeterButton* b : buttons_)
        b->setGeometry(b->spec().homeX, b->spec().homeY, b->spec().width, b->spec().height);

    auto* interval = form_.get<QComboBox>(MainFormId::interval);
    for (const double s : sampleIntervals)
        interval->addItem(QString::number(s));
    interval->setCurrentIndex(2);
}

void CMyVrelView::applyColours() {
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, formColour);
    setPalette(pal);

    colourCursorsAndInterval(control(MainFormId::cursorALabel), control(MainFormId::cursorBLabel),
                             control(MainFormId::interval));
}

CMeterButton* CMyVrelView::meterButton(int keyCode) const {
    for (CMeterButton* b : buttons_)
        if (b->keyCode() == keyCode)
            return b;
    return nullptr;
}

void CMyVrelView::setGraphWidget(QWidget* graph) {
    QWidget* old = control(MainFormId::graph);
    graph->setParent(this);
    graph->setObjectName(QString::number(MainFormId::graph));
    graph->setGeometry(old->geometry());
    graph->show();
    form_.replace(MainFormId::graph, graph);
    delete old;
    layoutControls();
}

CGraphicsBtn* CMyVrelView::graph() const {
    return form_.get<CGraphicsBtn>(MainFormId::graph);
}

const SeriesStats& CMyVrelView::realTimeStats() const {
    static const SeriesStats none;
    return realTimeStats_ && realTimeStatsOwner_ ? *realTimeStats_ : none;
}

void CMyVrelView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutControls();
}

void CMyVrelView::layoutControls() {
    // The curve area goes below the cursor box and the "Akustik" strip under it.
    QRect a = control(MainFormId::cursorGroup)->geometry();
    if (const QWidget* acoustic = control(AcousticGroup::frameId))
        a.setBottom(std::max(a.bottom(), acoustic->geometry().bottom()));
    const MainViewLayout l =
        layoutMainView({a.x(), a.y(), a.width(), a.height()}, width(), height());
    auto place = [this](int id, const LayoutRect& r, bool raise) {
        QWidget* w = control(id);
        w->setGeometry(r.x, r.y, r.width, r.height);
        if (raise)
            w->raise();
    };
    place(MainFormId::graph, l.plot, true);
    place(MainFormId::table, l.plot, true);
    place(MainFormId::vScroll, l.verticalScroll, true);
    place(MainFormId::hScroll, l.horizontalScroll, true);
    // a frame only; raised it would cover the controls inside it
    place(MainFormId::curveGroup, l.curveGroup, false);
}

void CMyVrelView::onCommand(CommandId id, std::function<void()> handler) {
    commands_.insert(id, std::move(handler));
}

bool CMyVrelView::command(CommandId id) {
    const auto it = commands_.constFind(id);
    if (it == commands_.constEnd() || !*it)
        return false;
    (*it)();
    return true;
}

QTimer& CMyVrelView::timer(int id) {
    switch (id) {
    case 1:
        return ports_->redetectTimer();
    case 2:
        return ports_->watchdogTimer();
    case 4:
        return loggerTimer_;
    }
    // The view has no other timer: asking for one is a programming error.
    qFatal("CMyVrelView::timer: no timer %d", id);
}

void CMyVrelView::startLoggerTimeout() {
    loggerTimer_.start();
}

MeterLink& CMyVrelView::link() {
    return ports_->link();
}

MeterSession& CMyVrelView::session() {
    return ports_->meter();
}

void CMyVrelView::setPortEnumerator(Enumerator e) {
    ports_->setEnumerator(std::move(e));
}

bool CMyVrelView::autoPort() const {
    return ports_->automatic();
}

int CMyVrelView::comPortNumber() const {
    return ports_->comPortNumber();
}

QString CMyVrelView::portPath() const {
    const MeterSession& meter = ports_->meter();
    return meter.portOpen() ? meter.portPath() : QString();
}

bool CMyVrelView::waitingForMeter() const {
    return ports_->meter().waiting();
}

void CMyVrelView::initialUpdate() {
    const std::time_t now = appClock().now();
    ports_->link().withDecoder([now](MeterDecoder& d) {
        d.reset();
        d.lastReceiveTime = now;
    });
    panel_->update();
    if (ports_->automatic())
        DetectAndOpen();
}

// ---- the meter's port

void CMyVrelView::DetectAndOpen() {
    ports_->detectAndOpen();
}

void CMyVrelView::Redetect() {
    ports_->redetect();
}

bool CMyVrelView::OpenPort(int n) {
    return OpenPortPath(portPathForNumber(n), n);
}

bool CMyVrelView::OpenPortPath(const QString& path, int number) {
    const bool opened = ports_->open(path, number);
    emit portChanged();
    return opened;
}

void CMyVrelView::reportOpenFailure(const QString& path, int number, const QString& error) {
    QString text = QStringLiteral("Warning:Can't open %1!").arg(portLabel(path, number));
    if (!error.isEmpty())
        text += QLatin1Char('\n') + error;
    if (const QString hint = portRightsHint(path); !hint.isEmpty())
        text += QStringLiteral("\n\n") + hint;
    prompt().inform(this, text, QStringLiteral("Vrel"), Prompt::Icon::Information);
}

bool CMyVrelView::useFixedPort(const QString& path) {
    ports_->setAutomatic(false);
    return OpenPortPath(path);
}

void CMyVrelView::chooseManualPort() {
    ports_->setAutomatic(false);
    emit portChanged();
    CPort dialog(this);
    dialog.setText(QStringLiteral("3"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    const PortChoice choice = dialog.choice();
    if (choice.number)
        OpenPort(*choice.number);
    else
        OpenPortPath(QString::fromStdString(choice.path));
}

void CMyVrelView::chooseAutoPort() {
    ports_->setAutomatic(true);
    emit portChanged();
    DetectAndOpen();
}

// ---- timers

void CMyVrelView::loggerTimeoutTick() {
    bool downloading = false;
    link().withDecoder([&downloading](MeterDecoder& d) {
        downloading = d.loggerBusy;
        d.loggerBusy = false;
    });
    if (downloading)
        failLoggerDownload();
}

void CMyVrelView::failLoggerDownload() {
    emit loggerDownloadEnded();
    prompt().inform(this, QStringLiteral("Occur an error"), QStringLiteral("error"));
    emit loggerDownloadFailureShown();
}

// ---- keys

void CMyVrelView::pressMeterKey(int code) {
    if (!link().snapshot().connected)
        return;
    keySenders_->start(code);
}
