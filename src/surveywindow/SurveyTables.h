#pragma once

#include "survey/SeriesBackground.h"
#include "survey/SeriesFigures.h"

#include <QCoreApplication>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

class QTableWidget;
class QWidget;

// A read-only table of the survey window, a row selected whole. Its columns
// are sized to the contents once a fill is done, not as each cell comes in:
// a month's days would lay their texts out hundreds of times over.
QTableWidget* makeSurveyTable(const QStringList& headings, QWidget* parent);
// A cell: the name in the first column on the left, figures on the right.
void setSurveyCell(QTableWidget* table, int row, int column, const QString& text);

// The survey window's figures, daily and hourly tables, laid out from their
// descriptions in SeriesTables, so that they read as the workbook, the report
// and vrel-cli do. The figures table has a row for each of spanFigureRows()
// and, after the column of their names, a column of figures for each span.
class SurveyTables {
    Q_DECLARE_TR_FUNCTIONS(SurveyTables)
  public:
    explicit SurveyTables(QWidget* parent);

    QTableWidget* figures() const { return figures_; }
    QTableWidget* daily() const { return daily_; }
    QTableWidget* hourly() const { return hourly_; }

    // The figures of a span in its column (0 the first); none show as "-".
    void showSpan(int column, const std::optional<SpanFigures>& figures);
    // A row a day: the daily table's columns, the events' columns after them
    // when the events were looked for, then the background level of the day,
    // evening and night.
    void showDays(const std::vector<DayFigures>& days, bool withEvents,
                  const SeriesBackground& background);
    // A row an hour; the first cell holds the hour's start and end in series
    // time (Qt::UserRole and the role after it).
    void showHours(const std::vector<HourFigures>& hours);
    // How wide the figures, daily and hourly tables are with every column in
    // sight; 0 for a hidden one.
    std::array<int, 3> widths() const;

  private:
    QTableWidget* figures_;
    QTableWidget* daily_;
    QTableWidget* hourly_;
};
