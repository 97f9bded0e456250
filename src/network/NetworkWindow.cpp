#include "NetworkWindow.h"

#include "FleetTable.h"
#include "MeterWindow.h"
#include "Notifier.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

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
          std::pair{FleetTable::IntervalEnd, QStringLiteral("88.88. 88:88")},
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

    link_ = new QLabel;
    skipped_ = new QLabel;
    skipped_->setWordWrap(true);
    skipped_->hide();
    retry_ = new QPushButton(tr("Yeniden bağlan…"));
    retry_->hide();
    connect(retry_, &QPushButton::clicked, this, &CNetworkWnd::credentialsRefused);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Saha:")));
    top->addWidget(sites_);
    top->addStretch();
    top->addWidget(link_);
    top->addWidget(retry_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
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

CNetworkWnd::~CNetworkWnd() = default;

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
            notifier_.notify(tr("Ölçer çevrimdışı"), tr("%1 artık yayın yapmıyor.").arg(name));
        else
            notifier_.notify(tr("Sınır aşıldı"), tr("%1 sınır seviyesinin üstünde.").arg(name));
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

void CNetworkWnd::showLink() {
    const QString url = QString::fromStdString(brokerUrlText(settings_.broker));
    const FleetLink link = feed_ ? feed_->link() : FleetLink{};
    QString text;
    switch (link.state) {
    case FleetLink::State::Connecting:
        text = tr("%1 adresine bağlanılıyor…").arg(url);
        break;
    case FleetLink::State::Connected:
        text = tr("%1 — ölçer: %2").arg(url).arg(fleet_.meters().size());
        break;
    case FleetLink::State::Refused:
        text =
            link.reasonCode == FleetFeed::badUserNameOrPassword ||
                    link.reasonCode == FleetFeed::notAuthorized
                ? tr("%1 kullanıcı adını veya parolayı kabul etmedi.").arg(url)
                : tr("%1 bağlantıyı reddetti (%2).").arg(url, QString::fromStdString(link.reason));
        break;
    case FleetLink::State::Away:
        text = tr("%1 ulaşılamıyor (%2); yeniden deneniyor.")
                   .arg(url, QString::fromStdString(link.reason));
        break;
    }
    link_->setText(text);
    const bool refused = link.state == FleetLink::State::Refused;
    retry_->setVisible(refused);
    if (refused && !toldRefused_)
        emit credentialsRefused();
    toldRefused_ = refused;
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
