#pragma once

#include <QDialog>

// Dialog template 100: program icon, version, OK.
class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
