#pragma once

#include "ui/Prompt.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;

// The settings of a survey started from the program: the interval between
// ticks, a data file an hour or a day, and the summary's interval; the
// folder is named, with a word when the survey there goes on. With a broker
// set up in the network window, the survey may publish there under a site
// and meter name, its folder waiting for the archives of named collectors.
// Noise events above a threshold may go to exceedances.csv.
class SurveyDlg : public QDialog {
    Q_OBJECT
  public:
    SurveyDlg(QWidget* parent, const Prompt::SurveyRequest& initial);
    Prompt::SurveyRequest request() const;

  private:
    Prompt::SurveyRequest initial_;
    QComboBox* interval_ = nullptr;
    QComboBox* split_ = nullptr;
    QComboBox* summary_ = nullptr;
    QCheckBox* publish_ = nullptr;
    QLineEdit* site_ = nullptr;
    QLineEdit* meter_ = nullptr;
    QLineEdit* password_ = nullptr;
    QCheckBox* events_ = nullptr;
    QDoubleSpinBox* eventAbove_ = nullptr;
    QDoubleSpinBox* eventHysteresis_ = nullptr;
    QDoubleSpinBox* eventMin_ = nullptr;
    QLineEdit* archivedBy_ = nullptr;
};
