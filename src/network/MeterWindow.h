#pragma once

#include "mqtt/FleetModel.h"

#include <QString>
#include <QWidget>

class Clock;
class FleetTable;
class QLabel;
class QListWidget;
class QPushButton;
class QTimer;
class SurveyPlot;

// One meter of the network up close: its last hour of levels and its
// intervals' Leq on its own wall clock, the cursors with the figures between
// them and, where the collector's archive of it is at hand, its whole survey
// in the survey window. It reads the network window's fleet, which outlives it.
class CMeterWnd : public QWidget {
    Q_OBJECT
  public:
    // row: the meter's row in table (its index in the fleet). archive: the
    // folder vrel-cli collect writes, empty when there is none.
    CMeterWnd(const FleetModel& fleet, const FleetTable& table, std::size_t row, const Clock& clock,
              std::optional<double> limit, QString archive, QWidget* parent = nullptr);

    std::size_t row() const { return row_; }
    // Takes the meter's newest levels and moves the hour on to now.
    void refresh();

    SurveyPlot* plot() const { return plot_; }
    const SeriesStore& series() const { return series_; }
    QString statusText() const;
    QString figuresText() const;
    // The meter's events over its threshold in the last hour, one a line.
    QListWidget* exceedanceList() const { return exceedances_; }
    QPushButton* surveyButton() const { return survey_; }
    // The meter's folder in the archive; empty when it is not there.
    QString surveyFolder() const;
    // The database vrel-cli collect --db writes; the survey opens from there
    // when set. Empty: from the archive folder.
    void setDatabase(const QString& url);
    // The meter's survey in the database, or empty when none is set.
    QString surveyUrl() const;
    // Opens the survey window on it.
    void openSurvey();

  private:
    void showFigures();
    void showExceedances(const FleetMeter& m);

    const FleetModel& fleet_;
    const FleetTable& table_;
    std::size_t row_;
    const Clock& clock_;
    QString archive_;
    QString database_;
    SeriesStore series_;
    SurveyPlot* plot_;
    QLabel* status_;
    QLabel* figures_;
    QLabel* exceedanceTitle_;
    QListWidget* exceedances_;
    QPushButton* back_;
    QPushButton* survey_;
    QTimer* timer_;
};
