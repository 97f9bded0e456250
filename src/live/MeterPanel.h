#pragma once

#include "live/ReadoutLayout.h"

#include <QAbstractButton>
#include <QWidget>

class MeterLink;
struct MeterButtonSpec;

// The picture of the meter with its live display. Paints from one snapshot of
// the link per repaint; the link only asks for repaints.
class CMeterPanel : public QWidget {
    Q_OBJECT
  public:
    explicit CMeterPanel(const MeterLink& link, QWidget* parent = nullptr);

    const ReadoutValues& values() const { return values_; }
    // Repaints that showed a decoded frame (the demo's screenshot waits for one).
    int livePaints() const { return livePaints_; }
    // Whether the last repaint showed the switched-off meter.
    bool showedOff() const { return showedOff_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const MeterLink& link_;
    ReadoutValues values_;
    int livePaints_ = 0;
    bool showedOff_ = true;
};

// One of the six keys lying on the meter picture. Draws only its picture;
// pressing it shifts it by a pixel and announces its key code.
class CMeterButton : public QAbstractButton {
    Q_OBJECT
  public:
    CMeterButton(const MeterButtonSpec& spec, QWidget* parent);
    int keyCode() const;
    const MeterButtonSpec& spec() const { return spec_; }

  signals:
    void keyPressed(int code);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const MeterButtonSpec& spec_;
};
