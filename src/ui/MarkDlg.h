#pragma once

#include "ui/Prompt.h"

#include <QDialog>

class QComboBox;
class QLineEdit;

// The small dialog that marks a span of a survey: its kind, a label from the
// recent ones or typed, and a note.
class MarkDlg : public QDialog {
    Q_OBJECT
  public:
    MarkDlg(QWidget* parent, const Prompt::MarkRequest& initial);
    Prompt::MarkRequest request() const;

  private:
    Prompt::MarkRequest initial_;
    QComboBox* kind_;
    QComboBox* label_;
    QLineEdit* note_;
};
