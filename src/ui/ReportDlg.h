#pragma once

#include "ui/Prompt.h"

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

// The small dialog of the "Rapor" command: the title block, the shift the
// measurement samples, the interval of the table, the period bounds and
// where the report goes.
class ReportDlg : public QDialog {
    Q_OBJECT
  public:
    ReportDlg(QWidget* parent, const Prompt::ReportRequest& initial);
    Prompt::ReportRequest request() const;

  private:
    QLineEdit* site_;
    QLineEdit* operator_;
    QLineEdit* meter_;
    QPlainTextEdit* notes_;
    QDoubleSpinBox* shift_;
    QComboBox* interval_;
    QSpinBox* day_;
    QSpinBox* evening_;
    QSpinBox* night_;
    QComboBox* target_;
};
