#pragma once

#include "survey/SeriesBackground.h"
#include "survey/SeriesEvents.h"
#include "survey/SeriesFigures.h"
#include "survey/SeriesReader.h"
#include "survey/SurveyRunner.h"
#include "surveywindow/MarksEditor.h"
#include "surveywindow/SurveyEvents.h"
#include "surveywindow/SurveyFolderLoad.h"
#include "surveywindow/SurveyTables.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

class LiveSurvey;
class MqttPublisher;
class MeterSession;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QTimer;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QMenu;
class QSplitter;
class SurveyPlot;

// A whole survey folder as one measurement: the curve of every reading on the
// wall clock from the overview down to single readings, the figures of the
// whole survey and of the span between the cursors, a row a day and, on
// demand, a row an hour. The folder is read beside the window, which shows
// how far it has got and stays responsive; Cancel stops the reading.
//
// A survey started from the program runs in its window: what the folder
// held is read first, then every sample is added as it is taken, and the
// curve, the figures and the days grow with it. "Durdur" ends it; closing
// the window asks first.
//
// The survey's marks (markers.csv) show as bands on the curve and rows of a
// list beside the tables; every figure leaves out what they exclude and what
// is residual sound, unless "Bütün okumalar" shows the figures of all
// readings. A span between the cursors, or dragged over with Ctrl, is marked
// through a small dialog; Ctrl+Z undoes the last change.
//
// Beside the marks, the events panel finds the survey's noise events by the
// rules of vrel-cli events (remembered for each folder), lists them, shows
// them over the curve and turns one into a mark; the day table then carries
// each day's events and time above, and always the background levels.
class CSurveyWnd : public QWidget {
    Q_OBJECT
  public:
    // Opens a window on the folder and starts reading it.
    static CSurveyWnd* open(const QString& folder, QWidget* parent = nullptr);
    // Opens a window on a meter's survey in the database archive and starts
    // reading it; its marks are shown but cannot be changed there.
    static CSurveyWnd* openDatabase(const PgSeriesSource& source, QWidget* parent = nullptr);
    // Opens a window on settings.dir and runs a survey there on the
    // session's meter, after reading what the folder holds already.
    // With a publisher (started), the survey publishes through it as well.
    static CSurveyWnd* startSurvey(MeterSession& session, const SurveySettings& settings,
                                   QWidget* parent = nullptr,
                                   std::unique_ptr<MqttPublisher> publisher = nullptr);
    ~CSurveyWnd() override;

    // The survey running in this window, or null.
    const LiveSurvey* survey() const { return live_.get(); }
    bool surveyRunning() const;
    // Ends the survey running here and finishes its files; false when samples
    // held could not be written (said to the user).
    bool stopSurvey();
    QLabel* statusLabel() const { return status_; }
    // Says in red that writing fails, and then that it works again.
    QLabel* writeProblemLabel() const { return writeProblem_; }

    bool loaded() const { return loaded_; }
    const QString& folder() const { return folder_; }
    const SeriesStore& series() const { return read_->series; }
    SurveyPlot* plot() const { return plot_; }
    QTableWidget* dailyTable() const { return figureTables_.daily(); }
    QTableWidget* hourlyTable() const { return figureTables_.hourly(); }
    QTableWidget* figuresTable() const { return figureTables_.figures(); }
    // The times of the cursors and the length between them.
    QLabel* cursorsLabel() const { return cursorsLabel_; }
    // The day whose hours the hourly table shows: one clicked in the daily
    // table, or none for the whole survey.
    std::optional<std::size_t> hourlyDay() const { return hourlyDay_; }
    const std::vector<DayFigures>& days() const { return days_; }
    MarksEditor& marks() { return *marks_; }
    QTableWidget* marksTable() const { return markList_; }
    // What the marks leave out of the whole survey, in words.
    QLabel* marksLabel() const { return marksLabel_; }

    // The figures table: a row for each of spanFigureRows(), after the
    // column of their names a column of figures for each of these.
    enum FigureColumn { WholeSurvey, BetweenCursors };

    // Zooms to a day from the day period's start, or to an hour, around the
    // middle of what is shown.
    void showDay();
    void showHour();
    // The report of the span between the cursors, or of the whole survey
    // without them; the daily and hourly tables as a workbook.
    void report();
    void exportTables();
    void clearCursors();
    // Marks [a, b), or the span between the cursors, asking for the kind,
    // label and note; edits or deletes the mark at index of the list.
    void markSpan();
    void markSpanOf(SeriesMs a, SeriesMs b);
    void editMark(std::size_t index);
    void deleteMark(std::size_t index);
    // Excludes the rows of a weather station's file with wind above 5 m/s,
    // as vrel-cli weather does.
    void importWeather();
    // The events panel: its rules, the list as shown, and what a row does.
    QGroupBox* eventsPanel() const { return eventBox_; }
    QTableWidget* eventTable() const { return eventTable_; }
    const EventList& eventList() const { return events_; }
    const EventSettings& eventSettings() const { return eventSettings_; }
    void setEventSettings(const EventSettings& settings);
    void sortEvents(EventList::Column column);
    // Zooms to the event in row of the list; marks it as kind.
    void zoomToEvent(std::size_t row);
    void markEvent(std::size_t row, MarkKind kind);
    // The figures of all readings (on) or of those the marks keep (off).
    void showAllReadings(bool on);
    // Whether the window opens maximised: as it was last closed, maximised
    // the first time.
    static bool opensMaximized();

  signals:
    void readingEnded();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    explicit CSurveyWnd(const QString& folder, QWidget* parent);
    void beginSurvey();
    void surveyTicked(bool grew);
    void showGrowth();
    void showSurveyStatus();
    void showTailGap();
    void writingChanged(bool failing, const QString& text);
    void startReading();
    void showProgress();
    void readingDone();
    void fillDaily();
    void fillHourly();
    void fillEventList();
    void eventRulesEdited();
    void showFigures(int column, SeriesMs t0, SeriesMs t1);
    void cursorsMoved();
    void spanMoved();
    void dayClicked(int row);
    void loadMarks();
    void marksChanged();
    void fillMarkList();
    void showMarkMenu(std::size_t index, const QPoint& globalPos);
    const SeriesMarks& figureMarks() const;
    // The marks the report and workbook follow: none when all readings are shown.
    const SurveyMarks& reportMarks() const;
    // The event rules the report and workbook follow: the panel's, when on.
    std::optional<EventRules> reportEvents() const;
    QString markKindText(MarkKind kind) const;
    void showRemembered();
    void fitTables();
    QString cursorsText() const;

    QString folder_;
    std::optional<PgSeriesSource> database_; // read from there instead of folder_
    std::unique_ptr<SeriesRead> read_;
    SurveyFolderLoad* load_;
    bool loaded_ = false;
    bool tellingWriteProblem_ = false; // a message about writing is up
    bool tablesArranged_ = false;      // the user has dragged the tables' splitter
    PeriodBounds bounds_;
    std::vector<DayFigures> days_;
    // Events and background levels each cost a pass over every reading: the
    // events are found again only when what they depend on has changed, the
    // background reads again only the quarter hours a change touches, so a
    // month's growth ticks, clicks and marks stay quick.
    struct PassKey {
        SeriesMs start = 0;
        long long readings = -1;
        std::vector<SeriesSpan> excluded;
        PeriodBounds bounds;
        EventRules rules;
        bool operator==(const PassKey&) const = default;
    };
    PassKey eventsKey_;
    SeriesEvents eventsFound_;
    BackgroundQuarters backgroundQuarters_;
    std::optional<std::size_t> hourlyDay_;
    MarksEditor* marks_;
    SeriesMarks seriesMarks_; // the marks in series time
    bool allReadings_ = false;
    QPointer<MeterSession> session_;
    std::optional<SurveySettings> surveyToStart_;
    std::unique_ptr<MqttPublisher> publisherToStart_;
    std::unique_ptr<LiveSurvey> live_;
    QTimer* growth_ = nullptr; // brings the view up to the series, a few times a second

    SurveyPlot* plot_;
    QLabel* spanLabel_;
    QLabel* cursorsLabel_;
    QPushButton* clearCursorsButton_;
    QLabel* status_;
    QProgressBar* progress_;
    QPushButton* cancelButton_;
    QPushButton* backButton_;
    QPushButton* hourlyButton_;
    QPushButton* stopButton_;
    QLabel* writeProblem_;
    SurveyTables figureTables_;
    QTableWidget* markList_;
    QSplitter* tables_;
    QLabel* marksLabel_;
    QPushButton* markButton_;
    QPushButton* editMarkButton_;
    QPushButton* deleteMarkButton_;
    EventSettings eventSettings_;
    EventList events_;
    QGroupBox* eventBox_;
    QDoubleSpinBox* eventAbove_;
    QDoubleSpinBox* eventHysteresis_;
    QDoubleSpinBox* eventMerge_;
    QDoubleSpinBox* eventMin_;
    QTableWidget* eventTable_;
    QLabel* eventsLabel_;
};
