#pragma once

#include "ui/FormBuilder.h"

#include <QDialog>
#include <QTimer>

class QComboBox;
class QLineEdit;

// Dialog template 148, "Gerçek zaman ayarları": the number of samples and the
// interval of the next recording, with how long it will take and when it
// will end, refreshed every second. "Başlat" accepts.
class CRTSetup : public QDialog {
    Q_OBJECT
  public:
    explicit CRTSetup(int dataSetCount, QWidget* parent = nullptr);

    // The count last accepted by the validation (1..40000).
    int dataSetCount() const { return dataSetCount_; }
    // The chosen entry of the interval list; 0 until "Başlat".
    int rateIndex() const { return rateIndex_; }

    const Form& form() const { return form_; }

  public slots:
    // "Başlat": takes the interval and closes when the count is valid.
    void accept() override;

  private:
    // Reads the count field; on an invalid text shows the reason, puts the
    // last valid count back and returns false.
    bool readCount();
    void recompute(double interval, bool longForm);
    void refresh();
    double chosenInterval() const;

    Form form_;
    QLineEdit* count_ = nullptr;
    QComboBox* interval_ = nullptr;
    QTimer clockTimer_; // timer 1 of the dialog
    int dataSetCount_;
    int rateIndex_ = 0;
    bool writing_ = false; // our own writes to the fields are no edits
};
