#include "settings/DlgColorSet.h"

#include "ui/Prompt.h"

#include <QLabel>
#include <QPushButton>

namespace {

constexpr int swatchId[] = {1065, 1066, 1067};
constexpr int buttonId[] = {1068, 1069, 1070};

FormSpec colorFormSpec() {
    using K = ControlSpec::Kind;
    const QString blanks(18, QLatin1Char(' '));
    const QString dots = QStringLiteral("...");
    FormSpec f;
    f.fontFamily = QStringLiteral("MS Shell Dlg");
    f.pointSize = 8;
    f.width = 230;
    f.height = 106;
    f.caption = CDlgColorSet::tr("Renk ayarları");
    f.controls = {
        {0, K::Label, CDlgColorSet::tr("Izgara rengi"), 14, 16, 64, 8},
        {1065, K::Label, blanks, 82, 13, 90, 14},
        {1068, K::Button, dots, 180, 13, 30, 14},
        {0, K::Label, CDlgColorSet::tr("Çizgi rengi"), 14, 38, 64, 8},
        {1066, K::Label, blanks, 82, 35, 90, 14},
        {1069, K::Button, dots, 180, 35, 30, 14},
        {0, K::Label, CDlgColorSet::tr("Arka plan rengi"), 14, 60, 64, 8},
        {1067, K::Label, blanks, 82, 57, 90, 14},
        {1070, K::Button, dots, 180, 57, 30, 14},
        {1, K::DefaultButton, QStringLiteral("OK"), 58, 83, 50, 14},
        {2, K::Button, CDlgColorSet::tr("İptal"), 122, 83, 50, 14},
    };
    return f;
}

QColor toColor(Rgb c) {
    return QColor(redOf(c), greenOf(c), blueOf(c));
}

} // namespace

CDlgColorSet::CDlgColorSet(QWidget* parent) : QDialog(parent) {
    form_ = FormBuilder().build(colorFormSpec(), this);
    for (Row row : {GridRow, LineRow, BackRow}) {
        auto* swatch = form_.get<QLabel>(swatchId[row]);
        swatch->setAutoFillBackground(true);
        swatch->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        connect(form_.get<QPushButton>(buttonId[row]), &QPushButton::clicked, this,
                [this, row] { choose(row); });
        paintSwatch(row);
    }
}

Rgb& CDlgColorSet::colorOf(Row row) {
    switch (row) {
    case GridRow:
        return colors_.gridColor;
    case LineRow:
        return colors_.lineColor;
    case BackRow:
        break;
    }
    return colors_.backColor;
}

void CDlgColorSet::setColors(const GraphColors& colors) {
    colors_ = colors;
    for (Row row : {GridRow, LineRow, BackRow})
        paintSwatch(row);
}

void CDlgColorSet::paintSwatch(Row row) {
    QWidget* swatch = form_.control(swatchId[row]);
    QPalette pal = swatch->palette();
    pal.setColor(QPalette::Window, toColor(colorOf(row)));
    swatch->setPalette(pal);
    swatch->update();
}

void CDlgColorSet::choose(Row row) {
    // the chooser starts from black, not from the row's colour
    const std::optional<QColor> c = prompt().color(this, Qt::black);
    if (!c)
        return;
    colorOf(row) = rgb(c->red(), c->green(), c->blue());
    paintSwatch(row);
}

bool ChangeGraphColors(QWidget* parent, PlotView& graph) {
    CDlgColorSet dialog(parent);
    dialog.setColors({graph.backColor, graph.gridColor, graph.lineColor});
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const GraphColors chosen = dialog.colors();
    graph.backColor = chosen.backColor;
    graph.gridColor = chosen.gridColor;
    graph.lineColor = chosen.lineColor;
    const std::filesystem::path file = colorConfigPath();
    if (std::string error; !writeColorConfig(file, chosen, &error))
        ReportWriteFailure(parent, QString::fromStdString(file.string()), error);
    return true;
}
