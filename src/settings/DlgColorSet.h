#pragma once

#include "config/ColorConfig.h"
#include "ui/FormBuilder.h"

#include <QDialog>

// Dialog template 160, "Renk ayarları": the grid, line and background colours
// of the graph, each with a swatch and a "..." button that opens the colour
// chooser. The creator sets the colours and reads them back after OK.
class CDlgColorSet : public QDialog {
    Q_OBJECT
  public:
    // Swatches 1065..1067 and their buttons 1068..1070, in row order.
    enum Row { GridRow, LineRow, BackRow };

    explicit CDlgColorSet(QWidget* parent = nullptr);

    GraphColors colors() const { return colors_; }
    void setColors(const GraphColors& colors);

    const Form& form() const { return form_; }

  private:
    void choose(Row row);
    void paintSwatch(Row row);
    Rgb& colorOf(Row row);

    Form form_;
    GraphColors colors_;
};

// The colour settings command on a graph: the dialog on the graph's colours;
// on OK the graph takes the chosen ones and the colour file gets all nine
// keys, changed or not (a file that cannot be written is reported). Returns
// whether the dialog ended with OK; the caller redraws the graph.
bool ChangeGraphColors(QWidget* parent, PlotView& graph);
