#pragma once

#include "mqtt/FleetModel.h"

#include <QAbstractTableModel>

// The fleet as rows for a table view: one row a meter in the order they came,
// sorted and filtered by a proxy above it. It reads the fleet model; the
// window tells it which rows changed.
class FleetTable : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { Site, Meter, Status, Level, IntervalLeq, IntervalEnd, Coverage, Limit, Columns };
    // What the proxy sorts by: numbers as numbers, times as times.
    static constexpr int sortRole = Qt::UserRole;

    FleetTable(const FleetModel& fleet, QObject* parent = nullptr);

    // The rows the fleet has now, and the moment staleness is judged at.
    void refresh(const FleetUpdate& update, SurveyMs now);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    QString statusText(const FleetMeter& m) const;

    const FleetModel& fleet_;
    int rows_ = 0;
    SurveyMs now_ = 0;
};
