#pragma once

#include "mqtt/FleetFeed.h"

#include <QPointer>
#include <QWidget>

#include <map>
#include <memory>

class CMeterWnd;
class FleetTable;
class Notifier;
class QComboBox;
class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class QTimer;

// Every meter on a broker at a glance: a row a meter, sortable and filtered
// by site, drawn again a few times a second at most from what the network
// thread left in the feed's inbox. A meter going offline or over the limit
// is told once through the notifier.
class CNetworkWnd : public QWidget {
    Q_OBJECT
  public:
    CNetworkWnd(MqttSettings settings, std::optional<double> limit, Notifier& notifier,
                const Clock& clock, QWidget* parent = nullptr);
    ~CNetworkWnd() override;

    // Starts the connection; false with the reason when the settings cannot work.
    bool start(QString& error);
    // The same window on other settings (a user or password asked again).
    bool reconnect(MqttSettings settings, QString& error);
    const MqttSettings& settings() const { return settings_; }

    const FleetModel& fleet() const { return fleet_; }
    QTableView* table() const { return view_; }
    QSortFilterProxyModel* rows() const { return proxy_; }
    QComboBox* siteFilter() const { return sites_; }
    // The folder vrel-cli collect writes, where a meter's survey is found.
    void setArchive(const QString& folder) { archive_ = folder; }
    const QString& archive() const { return archive_; }
    // The database vrel-cli collect --db writes; empty when there is none.
    void setDatabase(const QString& url) { database_ = url; }
    const QString& database() const { return database_; }
    // The window of the meter in the fleet's row (as a double click opens
    // it); the one already open is raised.
    CMeterWnd* openMeter(std::size_t row);
    QString linkText() const;
    QString skippedText() const;
    // The notifications not read yet, shown in the window whether or not the
    // desktop has a tray to show them; "Okundu" clears them.
    QStringList unreadNotices() const { return unread_; }

  signals:
    void firstMeterShown();
    // The broker refused the user or password, or the user asks to connect
    // again after that: the owner asks for them. The window no longer tries
    // the refused ones meanwhile.
    void credentialsRefused();

  private:
    void tick();
    void showLink();
    void updateSites();
    void notify(const QString& title, const QString& text);

    MqttSettings settings_;
    Notifier& notifier_;
    const Clock& clock_;
    std::optional<double> limit_;
    QString archive_;
    QString database_;
    std::map<std::size_t, QPointer<CMeterWnd>> meterWindows_;
    FleetModel fleet_;
    std::unique_ptr<FleetFeed> feed_;
    FleetTable* model_ = nullptr;
    QSortFilterProxyModel* proxy_ = nullptr;
    QTableView* view_ = nullptr;
    QComboBox* sites_ = nullptr;
    QLabel* link_ = nullptr;
    QLabel* skipped_ = nullptr;
    QPushButton* retry_ = nullptr;
    QWidget* notices_ = nullptr;
    QLabel* noticeText_ = nullptr;
    QStringList unread_;
    QTimer* timer_ = nullptr;
    QStringList skippedTopics_;
    bool shownFirst_ = false;
    bool toldRefused_ = false;
};
