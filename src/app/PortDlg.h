#pragma once

#include "link/PortMatch.h"

#include <QDialog>

class QLineEdit;

// Dialog template 159: the port typed in by hand, a number 0..256 or a path.
class CPort : public QDialog {
    Q_OBJECT
  public:
    explicit CPort(QWidget* parent = nullptr);

    void setText(const QString& text);
    // Valid after the dialog was accepted.
    PortChoice choice() const { return choice_; }

    void accept() override; // refuses what is neither a number in range nor a path

  private:
    QLineEdit* edit_;
    PortChoice choice_;
};
