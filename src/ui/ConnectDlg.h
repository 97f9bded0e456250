#pragma once

#include "ui/Prompt.h"

#include <QDialog>

class QLabel;
class QLineEdit;

// The broker of the measurement network: its address, the user and the
// password, with a word on where the password is kept.
class ConnectDlg : public QDialog {
    Q_OBJECT
  public:
    ConnectDlg(QWidget* parent, const Prompt::ConnectionRequest& initial);
    Prompt::ConnectionRequest request() const;

  private:
    Prompt::ConnectionRequest initial_;
    QLineEdit* url_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* ca_ = nullptr;
    QLineEdit* archive_ = nullptr;
    QLineEdit* database_ = nullptr;
};
