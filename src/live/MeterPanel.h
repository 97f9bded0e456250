#pragma once

#include "layout/ReadoutLayout.h"
#include "protocol/LiveState.h"

#include <QAbstractButton>
#include <QWidget>

class MeterLink;
struct MeterButtonSpec;

// The picture of the meter with its live display. Paints from one snapshot of
// the link per repaint; the link only asks for repaints, and refresh() turns
// that into one only when what the display shows has changed.
class CMeterPanel : public QWidget {
    Q_OBJECT
  public:
    explicit CMeterPanel(const MeterLink& link, QWidget* parent = nullptr);

    const ReadoutValues& values() const { return values_; }
    // Repaints that showed a decoded frame (the demo's screenshot waits for one).
    int livePaints() const { return livePaints_; }
    // Whether the last repaint showed the switched-off meter.
    bool showedOff() const { return showedOff_; }
    // Repaints unless the link's state is the one on the display already.
    void refresh();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const MeterLink& link_;
    ReadoutValues values_;
    int livePaints_ = 0;
    bool showedOff_ = true;
    bool painted_ = false;
    LiveState shown_; // the state of the last repaint, while connected
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
