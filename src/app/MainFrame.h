#pragma once

#include "ui/CommandIds.h"

#include <QHash>
#include <QMainWindow>

class CMyVrelView;
class QAction;
class QLabel;

// The main window: menu, toolbar, status bar and the main view. Menu and
// toolbar items are QActions keyed by their command ids; triggering one runs
// the view's handler for that id.
class CMainFrame : public QMainWindow {
    Q_OBJECT
  public:
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    CMyVrelView* view() const { return view_; }
    // The action of a command id (toolbar and menu share it), or null.
    QAction* action(CommandId id) const { return actions_.value(id); }

    // Marks the window as showing the built-in simulated meter.
    void setDemo(const QString& devicePath);

    // The title the frame always shows.
    static QString appTitle();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    QAction* addCommand(CommandId id, const QString& text, const QString& prompt = {});
    void updatePortState();
    void showHelp();

    CMyVrelView* view_;
    QHash<CommandId, QAction*> actions_;
    QLabel* portPane_ = nullptr;
    QString demoPath_;
};

// The file the help command opens beside the program, or empty when there is none.
QString helpFilePath();
