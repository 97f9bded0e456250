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
#include "ui/AcousticGroup.h"
#include "ui/Prompt.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>

#include <algorithm>

CMyVrelView* mainView = nullptr;

namespace {
constexpr int reconnectDelayMs = 2000;
constexpr int watchdogPeriodMs = 1000;
constexpr int loggerTimeoutMs = 250000;
const QColor formColour(170, 175, 195);
} // namespace

CMyVrelView::CMyVrelView(QWidget* parent)
    : QWidget(parent), session_(std::make_unique<MeterSession>(appClock())),
      keySenders_(std::make_unique<KeySenders>(session_->link())) {
    buildForm();
    applyColours();
    setMinimumSize(minViewWidth, minViewHeight);

    reconnectTimer_.setSingleShot(true);
    reconnectTimer_.setInterval(reconnectDelayMs);
    watchdogTimer_.setInterval(watchdogPeriodMs);
    loggerTimer_.setSingleShot(true);
    loggerTimer_.setInterval(loggerTimeoutMs);
    connect(&reconnectTimer_, &QTimer::timeout, this, &CMyVrelView::reconnectTick);
    connect(&watchdogTimer_, &QTimer::timeout, this, &CMyVrelView::watchdogTick);
    connect(&loggerTimer_, &QTimer::timeout, this, &CMyVrelView::loggerTimeoutTick);

    MeterLink* link = &session_->link();
    connect(link, &MeterLink::redrawNeeded, panel_, &CMeterPanel::refresh);
    connect(link, &MeterLink::stopRecordingRequested, this,
            [this] { emit meterEndsRecording(GapCause::Hold); });
    connect(session_.get(), &MeterSession::portLost, this, [this] {
        keySenders_->stopAll();
        panel_->refresh();
    });
    connect(session_.get(), &MeterSession::stateChanged, this, &CMyVrelView::portChanged);
    // The session's cheap look at the port list stands in for the system's
    // device-change message.
    connect(session_.get(), &MeterSession::portListChanged, this, &CMyVrelView::Redetect);

    onCommand(CommandId::ManualPort, [this] { chooseManualPort(); });
    onCommand(CommandId::AutomaticPort, [this] { chooseAutoPort(); });

    mainView = this;
}

CMyVrelView::~CMyVrelView() {
    if (mainView == this)
        mainView = nullptr;
    keySenders_->stopAll();
    session_->link().close();
    delete panel_; // it reads the link while painting
}

void CMyVrelView::buildForm() {
    panel_ = new CMeterPanel(session_->link(), this);
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
        return reconnectTimer_;
    case 2:
        return watchdogTimer_;
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
    return session_->link();
}

void CMyVrelView::setPortEnumerator(Enumerator e) {
    session_->setEnumerator(std::move(e));
}

QString CMyVrelView::portPath() const {
    return session_->portOpen() ? session_->portPath() : QString();
}

bool CMyVrelView::waitingForMeter() const {
    return session_->waiting();
}

void CMyVrelView::initialUpdate() {
    const std::time_t now = appClock().now();
    session_->link().withDecoder([now](MeterDecoder& d) {
        d.reset();
        d.lastReceiveTime = now;
    });
    panel_->update();
    if (autoPort_)
        DetectAndOpen();
}

// ---- the meter's port

void CMyVrelView::DetectAndOpen() {
    session_->followAutomatic();
    const std::optional<MeterPort> port = session_->findMeter();
    if (!port)
        return;
    comPortNumber_ = port->comNumber.value_or(-1);
    if (port->devicePath.empty() && port->comNumber)
        OpenPort(*port->comNumber);
    else
        OpenPortPath(QString::fromStdString(port->devicePath), comPortNumber_);
    watchdogTimer_.start();
}

void CMyVrelView::Redetect() {
    if (!autoPort_)
        return;
    pendingPort_ = session_->findMeter();
    if (!pendingPort_)
        return;
    comPortNumber_ = pendingPort_->comNumber.value_or(-1);
    reconnectTimer_.start();
}

void CMyVrelView::reconnectTick() {
    if (!session_->link().snapshot().connected && pendingPort_) {
        if (pendingPort_->devicePath.empty() && pendingPort_->comNumber)
            OpenPort(*pendingPort_->comNumber);
        else
            OpenPortPath(QString::fromStdString(pendingPort_->devicePath), comPortNumber_);
    }
    watchdogTimer_.start();
}

bool CMyVrelView::OpenPort(int n) {
    return OpenPortPath(portPathForNumber(n), n);
}

bool CMyVrelView::OpenPortPath(const QString& path, int number) {
    keySenders_->stopAll();
    QString error;
    // The user's choice is followed through pulls and replugs; automatic
    // detection follows what it found until the port list changes.
    const bool opened =
        autoPort_
            ? session_->openFound(
                  {path.toStdString(), number >= 0 ? std::optional(number) : std::nullopt}, &error)
            : session_->openChosen(path, number, &error);
    if (!opened) {
        QString text = QStringLiteral("Warning:Can't open %1!").arg(portLabel(path, number));
        if (!error.isEmpty())
            text += QLatin1Char('\n') + error;
        if (const QString hint = portRightsHint(path); !hint.isEmpty())
            text += QStringLiteral("\n\n") + hint;
        prompt().inform(this, text, QStringLiteral("Vrel"), Prompt::Icon::Information);
        emit portChanged();
        return false;
    }
    // the watchdog guards every open port, however it was chosen
    watchdogTimer_.start();
    emit portChanged();
    return true;
}

bool CMyVrelView::useFixedPort(const QString& path) {
    autoPort_ = false;
    return OpenPortPath(path);
}

void CMyVrelView::chooseManualPort() {
    autoPort_ = false;
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
    autoPort_ = true;
    emit portChanged();
    DetectAndOpen();
}

// ---- timers

void CMyVrelView::watchdogTick() {
    session_->checkSilence();
    const MeterLink::Snapshot snap = link().snapshot();
    if (appClock().now() - snap.lastReceiveTime < silenceSeconds)
        return;
    if (snap.recording) {
        // A port whose device went away is why the bytes stopped, if it did.
        const GapCause cause = session_->portOpen() ? GapCause::Silence : GapCause::Disconnected;
        emit meterEndsRecording(cause);
    }
    bool downloading = false;
    link().withDecoder([&downloading](MeterDecoder& d) {
        d.connected = false;
        downloading = d.loggerBusy;
        d.loggerBusy = false;
    });
    panel_->refresh();
    if (downloading)
        failLoggerDownload();
}

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
