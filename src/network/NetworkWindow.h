#pragma once

#include "mqtt/FleetFeed.h"

#include <QWidget>

#include <memory>

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

    const FleetModel& fleet() const { return fleet_; }
    QTableView* table() const { return view_; }
    QSortFilterProxyModel* rows() const { return proxy_; }
    QComboBox* siteFilter() const { return sites_; }
    QString linkText() const;
    QString skippedText() const;

  signals:
    void firstMeterShown();
    // The broker refused the user or password: the owner asks again.
    void credentialsRefused();

  private:
    void tick();
    void showLink();
    void updateSites();

    MqttSettings settings_;
    Notifier& notifier_;
    const Clock& clock_;
    FleetModel fleet_;
    std::unique_ptr<FleetFeed> feed_;
    FleetTable* model_ = nullptr;
    QSortFilterProxyModel* proxy_ = nullptr;
    QTableView* view_ = nullptr;
    QComboBox* sites_ = nullptr;
    QLabel* link_ = nullptr;
    QLabel* skipped_ = nullptr;
    QPushButton* retry_ = nullptr;
    QTimer* timer_ = nullptr;
    QStringList skippedTopics_;
    bool shownFirst_ = false;
    bool toldRefused_ = false;
};
