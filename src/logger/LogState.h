#pragma once

#include "ui/FormBuilder.h"

#include <QDialog>

class QProgressBar;

// The small window shown while the meter's memory arrives: a line of text and
// a progress bar, no caption bar. Esc (its hidden cancel button) ends it.
class CLogState : public QDialog {
    Q_OBJECT
  public:
    explicit CLogState(QWidget* parent = nullptr);

    // Progress bar at value of 0..maximum.
    void setProgress(int value, int maximum);
    QProgressBar* progressBar() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    Form form_;
};
