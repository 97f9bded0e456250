#pragma once

#include "survey/SeriesFigures.h"
#include "survey/SeriesReader.h"

#include <QWidget>

#include <atomic>
#include <memory>
#include <thread>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class SurveyPlot;

// A whole survey folder as one measurement: the curve of every reading on the
// wall clock from the overview down to single readings, the figures of the
// whole survey and of the span between the cursors, a row a day and, on
// demand, a row an hour. The folder is read beside the window, which shows
// how far it has got and stays responsive; Cancel stops the reading.
class CSurveyWnd : public QWidget {
    Q_OBJECT
  public:
    // Opens a window on the folder and starts reading it.
    static CSurveyWnd* open(const QString& folder, QWidget* parent = nullptr);
    ~CSurveyWnd() override;

    bool loaded() const { return loaded_; }
    const QString& folder() const { return folder_; }
    const SeriesStore& series() const { return read_->series; }
    SurveyPlot* plot() const { return plot_; }
    QTableWidget* dailyTable() const { return daily_; }
    QTableWidget* hourlyTable() const { return hourly_; }
    QTableWidget* figuresTable() const { return figures_; }
    const std::vector<DayFigures>& days() const { return days_; }

    // The figures' rows, in the order the table shows them.
    enum FigureRow { Leq, Lmax, Lmin, L10, L50, L90, Lex8h, Lden, FigureRows };
    // The table's columns of figures.
    enum FigureColumn { WholeSurvey, BetweenCursors };

    // Zooms to a day from the day period's start, or to an hour, around the
    // middle of what is shown.
    void showDay();
    void showHour();
    // The report of the span between the cursors, or of the whole survey
    // without them; the daily and hourly tables as a workbook.
    void report();
    void exportTables();

  signals:
    void readingEnded();

  private:
    explicit CSurveyWnd(const QString& folder, QWidget* parent);
    void startReading();
    void showProgress();
    void readingDone();
    void fillDaily();
    void fillHourly();
    void showFigures(int column, SeriesMs t0, SeriesMs t1);
    void cursorsMoved();
    void spanMoved();

    QString folder_;
    std::unique_ptr<SeriesRead> read_;
    std::thread reader_;
    std::atomic<bool> cancel_{false};
    std::atomic<std::size_t> done_{0};
    std::atomic<std::size_t> total_{0};
    bool loaded_ = false;
    PeriodBounds bounds_;
    std::vector<DayFigures> days_;

    SurveyPlot* plot_;
    QLabel* spanLabel_;
    QLabel* status_;
    QProgressBar* progress_;
    QPushButton* cancelButton_;
    QPushButton* backButton_;
    QPushButton* hourlyButton_;
    QTableWidget* figures_;
    QTableWidget* daily_;
    QTableWidget* hourly_;
};
