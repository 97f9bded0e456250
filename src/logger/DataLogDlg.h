#pragma once

#include "logger/LoggerFiles.h"
#include "model/RecordList.h"
#include "model/SeriesStats.h"
#include "ui/CommandIds.h"
#include "ui/FormBuilder.h"

#include <QDialog>
#include <QHash>

class CGraphicsBtn;
class PlotReadouts;
class QAction;
class QMenuBar;
class QStandardItemModel;
class QTableView;

// The DATALOGGER window: the data sets of the logger record list, one row per
// run of a set number; a double click on a row makes that set the selection,
// shows its figures and draws it in the window's own graph. Its menu imports a
// text data file, saves and exports the selection and prints it.
//
// The object lives as long as the main view; every download or file opened
// from the main view makes its window anew (rebuild). The close box empties
// the logger record list; Esc and Enter only hide the window.
class CDataLogDlg : public QDialog {
    Q_OBJECT
  public:
    // loggerRecords is the main view's list; the window reads it, and empties
    // or replaces it on its close box and on import. A survey folder imported
    // goes to openSurvey when there is one.
    explicit CDataLogDlg(RecordList& loggerRecords, SurveyFolderOpener openSurvey = {});
    ~CDataLogDlg() override;

    // The state of a window created anew: the list filled from loggerRecords,
    // no selection, blank fields, the graph's view reset.
    void rebuild();
    // The list from loggerRecords; each run of equal set numbers is one row.
    void refillList();
    // A double click on row (-1: on empty list space).
    void chooseRow(int row);
    // The first row selected and chosen, as a double click on it would; nothing
    // when the list is empty.
    void chooseFirstRow();
    // The selection is emptied and the graph redrawn; call before the records
    // of loggerRecords are deleted.
    void clearSelection();

    const RecordList& selection() const { return selection_; }
    const SeriesStats& stats() const { return stats_; }
    // The sample index of cursor A as the graph reported it last.
    int cursorAIndex() const;

    // Runs a menu command by id; false when the window has no such command.
    bool command(CommandId id);
    QAction* action(CommandId id) const { return actions_.value(id); }
    QMenuBar* menuBar() const { return menuBar_; }
    QWidget* control(int id) const { return form_.control(id); }
    CGraphicsBtn* graph() const { return graph_; }
    QTableView* dataSetList() const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildMenu();
    void applyColours();
    void resetGraphView();
    void setField(int id, const QString& text);
    // The "Akustik" group's figures of the selection.
    void showAcoustic();
    double samplingInterval() const;

    void importData();
    void saveSelection();
    void exportSelection();
    void printDiagram();
    void printData();

    RecordList& loggerRecords_;
    SurveyFolderOpener openSurvey_;
    RecordList selection_; // the graph's series
    SeriesStats stats_;
    QWidget* body_ = nullptr;
    Form form_;
    QMenuBar* menuBar_ = nullptr;
    CGraphicsBtn* graph_ = nullptr;
    PlotReadouts* readouts_ = nullptr;
    QStandardItemModel* model_ = nullptr;
    QHash<CommandId, QAction*> actions_;
};
