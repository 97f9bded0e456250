#include "NetworkWindow.h"

#include "FleetTable.h"
#include "MeterWindow.h"
#include "Notifier.h"

#include <QComboBox>
#include <QDateTime>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>
#include <set>

CNetworkWnd::CNetworkWnd(MqttSettings settings, std::optional<double> limit, Notifier& notifier,
                         const Clock& clock, QWidget* parent)
    : QWidget(parent, Qt::Window), settings_(std::move(settings)), notifier_(notifier),
      clock_(clock), limit_(limit) {
    setWindowTitle(
        tr("Ölçüm ağı — %1").arg(QString::fromStdString(brokerUrlText(settings_.broker))));
    fleet_.setLimit(limit, clock_.nowMs());

    model_ = new FleetTable(fleet_, this);
    proxy_ = new QSortFilterProxyModel(this);
    proxy_->setSourceModel(model_);
    proxy_->setSortRole(FleetTable::sortRole);
    proxy_->setFilterKeyColumn(FleetTable::Site);
    proxy_->setDynamicSortFilter(true);

    view_ = new QTableView;
    view_->setModel(proxy_);
    view_->setSortingEnabled(true);
    view_->sortByColumn(FleetTable::Site, Qt::AscendingOrder);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->verticalHeader()->hide();
    view_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view_->horizontalHeader()->setStretchLastSection(true);
    view_->setWordWrap(false);
    view_->setToolTip(tr("Bir ölçerin son saati için satırına çift tıklayın."));
    connect(view_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        openMeter(static_cast<std::size_t>(proxy_->mapToSource(index).row()));
    });
    // Measured once: a level that comes later must not find its column too narrow.
    for (const auto& [column, widest] :
         {std::pair{FleetTable::Level, QStringLiteral("-188.8 dBA")},
          std::pair{FleetTable::IntervalLeq, QStringLiteral("-188.8")},
          std::pair{FleetTable::IntervalEnd, QStringLiteral("88-88-8888 88:88:88")},
          std::pair{FleetTable::Coverage, QStringLiteral("100.0 %")}}) {
        const QString title =
            model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        const int text =
            std::max(view_->fontMetrics().horizontalAdvance(widest),
                     view_->horizontalHeader()->fontMetrics().horizontalAdvance(title));
        view_->horizontalHeader()->setSectionResizeMode(column, QHeaderView::Fixed);
        view_->horizontalHeader()->resizeSection(
            column, text + 4 * view_->fontMetrics().averageCharWidth());
    }

    sites_ = new QComboBox;
    sites_->addItem(tr("Tüm sahalar"));
    sites_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(sites_, &QComboBox::currentIndexChanged, this, [this](int i) {
        proxy_->setFilterRegularExpression(
            i <= 0 ? QString()
                   : QStringLiteral("^%1$").arg(QRegularExpression::escape(sites_->itemText(i))));
    });

    // A reason may be long: it wraps on a line of its own rather than be cut.
    link_ = new QLabel;
    link_->setWordWrap(true);
    link_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    skipped_ = new QLabel;
    skipped_->setWordWrap(true);
    skipped_->hide();
    retry_ = new QPushButton(tr("Yeniden bağlan…"));
    retry_->hide();
    connect(retry_, &QPushButton::clicked, this, &CNetworkWnd::credentialsRefused);

    // Many desktops have no tray to show a notification: it stays here until read.
    notices_ = new QFrame;
    notices_->setObjectName(QStringLiteral("notices"));
    notices_->setStyleSheet(QStringLiteral(
        "#notices { background: #fff4c8; border: 1px solid #d9b84a; border-radius: 3px; }"));
    noticeText_ = new QLabel;
    noticeText_->setWordWrap(true);
    auto* read = new QPushButton(tr("Okundu"));
    connect(read, &QPushButton::clicked, this, [this] {
        unread_.clear();
        notices_->hide();
    });
    auto* noticeRow = new QHBoxLayout(notices_);
    noticeRow->addWidget(noticeText_, 1);
    noticeRow->addWidget(read, 0, Qt::AlignTop);
    notices_->hide();

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Saha:")));
    top->addWidget(sites_);
    top->addStretch();
    auto* linkRow = new QHBoxLayout;
    linkRow->addWidget(link_, 1);
    linkRow->addWidget(retry_, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(linkRow);
    layout->addWidget(notices_);
    layout->addWidget(view_);
    layout->addWidget(skipped_);
    resize(900, 420);

    timer_ = new QTimer(this);
    timer_->setInterval(static_cast<int>(FleetModel::refreshEveryMs));
    // A coarse timer may fire a little early, when the model still holds the
    // update back: every other tick would be lost, and rows come late.
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &CNetworkWnd::tick);
    showLink();
}

CNetworkWnd::~CNetworkWnd() {
    // The table and the meters' windows read the fleet, which is gone before
    // QWidget's own destructor hides and deletes them (a frame closed with
    // this window open).
    timer_->stop();
    for (const auto& [row, window] : meterWindows_)
        delete window.data();
    view_->setModel(nullptr);
}

bool CNetworkWnd::reconnect(MqttSettings settings, QString& error) {
    feed_.reset();
    settings_ = std::move(settings);
    setWindowTitle(
        tr("Ölçüm ağı — %1").arg(QString::fromStdString(brokerUrlText(settings_.broker))));
    toldRefused_ = false;
    const bool started = start(error);
    showLink();
    return started;
}

bool CNetworkWnd::start(QString& error) {
    feed_ = std::make_unique<FleetFeed>(settings_, clock_);
    std::string why;
    if (!feed_->start(why)) {
        error = QString::fromStdString(why);
        feed_.reset();
        return false;
    }
    timer_->start();
    return true;
}

CMeterWnd* CNetworkWnd::openMeter(std::size_t row) {
    if (row >= fleet_.meters().size())
        return nullptr;
    QPointer<CMeterWnd>& window = meterWindows_[row];
    if (!window) {
        window = new CMeterWnd(fleet_, *model_, row, clock_, limit_, archive_, this);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->setDatabase(database_);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

QString CNetworkWnd::linkText() const {
    return link_->text();
}

QString CNetworkWnd::skippedText() const {
    return skipped_->text();
}

void CNetworkWnd::tick() {
    if (feed_)
        feed_->drain(fleet_);
    showLink();
    const SurveyMs now = clock_.nowMs();
    fleet_.setLink(feed_ && feed_->link().state == FleetLink::State::Connected, now);
    const auto update = fleet_.update(now);
    if (!update)
        return;
    model_->refresh(*update, now);
    for (const std::size_t row : update->changed)
        if (const auto w = meterWindows_.find(row); w != meterWindows_.end() && w->second)
            w->second->refresh();
    if (update->added)
        updateSites();
    for (const FleetEvent& e : update->events) {
        const QString name = QStringLiteral("%1 / %2").arg(QString::fromStdString(e.site),
                                                           QString::fromStdString(e.meter));
        if (e.kind == FleetEventKind::WentOffline)
            notify(tr("Ölçer çevrimdışı"), tr("%1 artık yayın yapmıyor.").arg(name));
        else
            notify(tr("Sınır aşıldı"), tr("%1 sınır seviyesinin üstünde.").arg(name));
    }
    for (const FleetUpdate::Exceeded& e : update->exceeded) {
        const FleetMeter* m = fleet_.find(e.site, e.meter);
        const QString unit =
            QString::fromStdString(m && !m->weighting.empty() ? m->weighting : "dB");
        notify(tr("Aşım"), tr("%1: %2 %3, %4 sn, SEL %5")
                               .arg(QString::fromStdString(e.meter))
                               .arg(e.exceedance.lmax, 0, 'f', 1)
                               .arg(unit)
                               .arg(std::lround(e.exceedance.seconds))
                               .arg(e.exceedance.sel, 0, 'f', 1));
    }
    if (!update->malformed.empty()) {
        for (const std::string& topic : update->malformed)
            skippedTopics_ << QString::fromStdString(topic);
        skipped_->setText(
            tr("Okunamayan iletiler atlandı: %1").arg(skippedTopics_.join(QStringLiteral(", "))));
        skipped_->show();
    }
    if (!shownFirst_ && !fleet_.meters().empty()) {
        shownFirst_ = true;
        emit firstMeterShown();
    }
}

void CNetworkWnd::notify(const QString& title, const QString& text) {
    notifier_.notify(title, text);
    // The newest few: a flood of them must not push the table away.
    constexpr int shownAtMost = 5;
    unread_ << QStringLiteral("%1  %2: %3")
                   .arg(QLocale().toString(QDateTime::fromMSecsSinceEpoch(clock_.nowMs()).time(),
                                           QLocale::ShortFormat),
                        title, text);
    while (unread_.size() > shownAtMost)
        unread_.removeFirst();
    noticeText_->setText(unread_.join(QLatin1Char('\n')));
    notices_->show();
}

void CNetworkWnd::showLink() {
    const QString url = QString::fromStdString(brokerUrlText(settings_.broker));
    const QString host = QString::fromStdString(settings_.broker.host);
    const FleetLink link = feed_ ? feed_->link() : FleetLink{};
    const QString reason = QString::fromStdString(link.reason);
    QString text;
    switch (link.state) {
    case FleetLink::State::Connecting:
        text = tr("%1 adresine bağlanılıyor…").arg(url);
        break;
    case FleetLink::State::Connected:
        text = tr("%1 — ölçer: %2").arg(url).arg(fleet_.meters().size());
        break;
    case FleetLink::State::Refused:
        text = link.reasonCode == FleetFeed::badUserNameOrPassword ||
                       link.reasonCode == FleetFeed::notAuthorized
                   ? tr("%1 kullanıcı adını veya parolayı kabul etmedi.").arg(url)
                   : tr("%1 bağlantıyı reddetti (%2).").arg(url, reason);
        break;
    case FleetLink::State::Away: {
        switch (link.failure) {
        case MqttFailure::Lost:
            text = tr("%1 ile bağlantı koptu.").arg(url);
            break;
        case MqttFailure::NoHost:
            text = tr("%1 sunucusu bulunamadı.").arg(host);
            break;
        case MqttFailure::Unreachable:
            text = tr("%1 bağlantı kabul etmiyor: broker çalışmıyor ya da port yanlış.").arg(url);
            break;
        case MqttFailure::NotTls:
            text = tr("%1 bu portta TLS konuşmuyor; mqtt:// adresini ya da brokerın TLS portunu "
                      "deneyin.")
                       .arg(url);
            break;
        case MqttFailure::Untrusted:
            text = tr("%1 sertifikasına güvenilmiyor ya da sertifika bu sunucu adına "
                      "verilmemiş (CA sertifikasına bakın).")
                       .arg(url);
            break;
        case MqttFailure::Tls:
            text = tr("%1 ile TLS kurulamadı (%2).").arg(url, reason);
            break;
        case MqttFailure::Refused:
        case MqttFailure::Other:
            text = tr("%1 ulaşılamıyor (%2).").arg(url, reason);
            break;
        }
        text += QLatin1Char(' ') + tr("Yeniden deneniyor; bu arada ölçerlerin durumu bilinmiyor.");
        break;
    }
    }
    link_->setText(text);
    const bool refused = link.state == FleetLink::State::Refused;
    retry_->setVisible(refused);
    if (refused && !toldRefused_) {
        // The refused user or password is not tried again: asked once instead.
        feed_->stop();
        toldRefused_ = true;
        emit credentialsRefused();
    }
}

void CNetworkWnd::updateSites() {
    std::set<QString> sites;
    for (const FleetMeter& m : fleet_.meters())
        sites.insert(QString::fromStdString(m.site));
    const QString current = sites_->currentIndex() > 0 ? sites_->currentText() : QString();
    const QSignalBlocker block(sites_);
    while (sites_->count() > 1)
        sites_->removeItem(1);
    for (const QString& s : sites)
        sites_->addItem(s);
    if (!current.isEmpty())
        sites_->setCurrentIndex(std::max(0, sites_->findText(current)));
}
