#include "logger/DataLogDlg.h"

#include "files/PrintRX.h"
#include "graph/CGraphicsBtn.h"
#include "graph/PlotReadouts.h"
#include "logger/DataLogForm.h"
#include "model/DataSets.h"
#include "ui/AcousticGroup.h"
#include "ui/LevelLimit.h"
#include "ui/WindowReport.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const QColor formColour(170, 175, 195);

// The list's columns: heading (translated when shown; "ID", "Sampling Rate"
// and "Nums" are the program's own English in both languages) and width in pixels.
struct Column {
    const char* heading;
    int width;
};
constexpr Column columns[] = {{"ID", 31},
                              {QT_TRANSLATE_NOOP("CDataLogDlg", "Tarih, Saat"), 120},
                              {QT_TRANSLATE_NOOP("CDataLogDlg", "Birim"), 55},
                              {"Sampling Rate", 85},
                              {"Nums", 45}};

QString oneDecimal(double v) {
    return QString::asprintf("%.1f", v);
}

} // namespace

CDataLogDlg::CDataLogDlg(RecordList& loggerRecords, SurveyFolderOpener openSurvey)
    : QDialog(nullptr), loggerRecords_(loggerRecords), openSurvey_(std::move(openSurvey)) {
    // A window of its own beside the main window, which must not keep the
    // program running once the main window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    body_ = new QWidget(this);
    FormBuilder builder;
    builder.setFactory([this](const ControlSpec& c, QWidget* parent) -> QWidget* {
        if (c.id != DataLogId::graph)
            return nullptr;
        graph_ = new CGraphicsBtn(parent);
        return graph_;
    });
    form_ = builder.build(dataLogFormSpec(), body_);
    setWindowTitle(body_->windowTitle());
    setFont(body_->font());
    body_->setFixedSize(form_.size);

    buildMenu();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(menuBar_);
    layout->addWidget(body_);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    QTableView* list = dataSetList();
    model_ = new QStandardItemModel(0, static_cast<int>(std::size(columns)), this);
    for (int i = 0; i < static_cast<int>(std::size(columns)); ++i)
        model_->setHeaderData(i, Qt::Horizontal, tr(columns[i].heading));
    list->setModel(model_);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->horizontalHeader()->setStretchLastSection(false);
    for (int i = 0; i < static_cast<int>(std::size(columns)); ++i)
        list->horizontalHeader()->resizeSection(i, columns[i].width);
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 6);
    list->viewport()->installEventFilter(this);

    auto* interval = form_.get<QComboBox>(DataLogId::interval);
    for (const char* text : intervalItemTexts)
        interval->addItem(QString::fromLatin1(text));

    readouts_ = new PlotReadouts(body_, graph_, form_.get<QScrollBar>(DataLogId::hScroll),
                                 form_.get<QScrollBar>(DataLogId::vScroll),
                                 [this]() -> const RecordList& { return selection_; });
    connect(form_.get<QPushButton>(DataLogId::zoomBack), &QPushButton::clicked, readouts_,
            &PlotReadouts::zoomBack);
    AcousticGroup::prepare(body_);
    // The graph takes the new limit first (it connected first); the counts follow it.
    connect(&levelLimit(), &LevelLimit::changed, this, &CDataLogDlg::showAcoustic);
    applyColours();
    rebuild();
}

CDataLogDlg::~CDataLogDlg() = default;

void CDataLogDlg::buildMenu() {
    menuBar_ = new QMenuBar(this);
    auto add = [this](CommandId id, const QString& text, auto handler) {
        auto* a = new QAction(text, this);
        connect(a, &QAction::triggered, this, handler);
        actions_.insert(id, a);
        return a;
    };
    menuBar_->addAction(
        add(CommandId::ImportLoggerData, tr("Verileri içe aktar(&I)"), [this] { importData(); }));
    menuBar_->addAction(add(CommandId::ExportLoggerSelection, tr("Excel'e aktar(&E)"),
                            [this] { exportSelection(); }));
    QMenu* save = menuBar_->addMenu(tr("Verileri kaydet(&S)"));
    save->addAction(
        add(CommandId::SaveLoggerSelection, tr("Seçimi kaydet(&S)"), [this] { saveSelection(); }));
    QMenu* print = menuBar_->addMenu(tr("Yazdır(&P)"));
    print->addAction(
        add(CommandId::PrintLoggerDiagram, tr("Diyagramı yazdır(&G)"), [this] { printDiagram(); }));
    print->addAction(
        add(CommandId::PrintLoggerData, tr("Verileri yazdır(&D)"), [this] { printData(); }));
    print->addSeparator();
    print->addAction(add(CommandId::Report, tr("Rapor(&R)…"),
                         [this] { WindowReport::run(this, selection_, stats_); }));
}

void CDataLogDlg::applyColours() {
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, formColour);
    setPalette(pal);
    // the menu bar keeps the system's colours
    menuBar_->setPalette(QPalette());

    colourCursorsAndInterval(control(DataLogId::cursorALabel), control(DataLogId::cursorBLabel),
                             control(DataLogId::interval));
}

QTableView* CDataLogDlg::dataSetList() const {
    return form_.get<QTableView>(DataLogId::dataSets);
}

int CDataLogDlg::cursorAIndex() const {
    return readouts_->cursorAIndex();
}

void CDataLogDlg::setField(int id, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(control(id)))
        edit->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(control(id)))
        label->setText(text);
}

void CDataLogDlg::resetGraphView() {
    graph_->xMax = 20;
    graph_->resetView(graph_->width(), graph_->height());
}

void CDataLogDlg::rebuild() {
    for (QLineEdit* edit : body_->findChildren<QLineEdit*>())
        edit->clear();
    for (int id : {1033, 1034})
        setField(id, QString());
    auto* interval = form_.get<QComboBox>(DataLogId::interval);
    interval->setCurrentIndex(-1);
    interval->setEnabled(true);
    // The cursors marked samples of a set that is no longer shown.
    graph_->cursorMode = 0;
    graph_->cursorA = -1;
    graph_->cursorB = -1;
    graph_->hoverPoint = {0, 0};
    resetGraphView();
    refillList();
    selection_.clear();
    stats_ = SeriesStats{};
    graph_->Redraw(selection_);
}

void CDataLogDlg::refillList() {
    model_->removeRows(0, model_->rowCount());
    for (const DataSetRow& row : GroupDataSets(loggerRecords_)) {
        QList<QStandardItem*> items;
        for (const std::string& cell : row.cells())
            items << new QStandardItem(QString::fromLatin1(cell));
        model_->appendRow(items);
    }
    readouts_->onRange();
}

void CDataLogDlg::chooseRow(int row) {
    auto* interval = form_.get<QComboBox>(DataLogId::interval);
    interval->setEnabled(true);
    graph_->xMax = 20;
    if (row < 0 || row >= model_->rowCount())
        return;

    const int setNumber = model_->item(row, 0)->text().toInt();
    selection_ = SelectDataSet(loggerRecords_, setNumber);
    stats_ = DataSetStats(selection_);

    setField(DataLogId::average, oneDecimal(stats_.average));
    setField(DataLogId::maxValue, oneDecimal(stats_.maxValue));
    setField(DataLogId::minValue, oneDecimal(stats_.minValue));
    setField(DataLogId::maxTime, QString::fromLatin1(stats_.maxTime));
    setField(DataLogId::minTime, QString::fromLatin1(stats_.minTime));
    setField(DataLogId::startTime, QString::fromLatin1(stats_.startTime));
    setField(DataLogId::dataCount, QString::number(selection_.count()));
    showAcoustic();
    AcousticGroup::clear(body_, AcousticGroup::Span);

    interval->setCurrentIndex(selection_.empty() ? -1 : IntervalItem(selection_[0].samplingRate()));
    interval->setEnabled(false);

    resetGraphView();
    graph_->Redraw(selection_);
}

void CDataLogDlg::chooseFirstRow() {
    if (model_->rowCount() == 0)
        return;
    dataSetList()->selectRow(0);
    chooseRow(0);
}

double CDataLogDlg::samplingInterval() const {
    return selection_.empty() ? 1.0 : selection_[0].samplingRate();
}

void CDataLogDlg::showAcoustic() {
    if (selection_.empty())
        return;
    AcousticGroup::show(body_, AcousticGroup::Whole,
                        summarize(selection_, 0, static_cast<std::size_t>(selection_.count()),
                                  samplingInterval(), graph_->limit),
                        graph_->limit.has_value());
    AcousticGroup::showRules(
        body_, AcousticGroup::Whole,
        computeNoiseFigures(selection_, 0, selection_.size(), WindowReport::noiseSettings()));
}

void CDataLogDlg::clearSelection() {
    selection_.clear();
    graph_->Redraw(selection_);
}

bool CDataLogDlg::command(CommandId id) {
    QAction* a = action(id);
    if (!a)
        return false;
    a->trigger();
    return true;
}

bool CDataLogDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == dataSetList()->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton)
            chooseRow(dataSetList()->indexAt(mouse->position().toPoint()).row());
    }
    return QDialog::eventFilter(watched, event);
}

void CDataLogDlg::closeEvent(QCloseEvent* event) {
    graph_->cursorMode = 0;
    graph_->cursorA = -1;
    graph_->cursorB = -1;
    graph_->hoverPoint = {0, 0};
    clearSelection();
    loggerRecords_.clear();
    QDialog::closeEvent(event);
}

void CDataLogDlg::keyPressEvent(QKeyEvent* event) {
    // Enter is the dialog's OK: it hides the window as Esc does.
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            accept();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

// ---- the menu

void CDataLogDlg::importData() {
    std::optional<RecordList> records = askAndReadDataFile(this, openSurvey_);
    if (!records)
        return;
    clearSelection();
    loggerRecords_ = std::move(*records);
    refillList();
}

void CDataLogDlg::saveSelection() {
    askAndSaveDataFile(this, selection_);
}

void CDataLogDlg::exportSelection() {
    askAndExport(this, selection_, stats_, ExportSource::DataLogger);
}

void CDataLogDlg::printDiagram() {
    CPrintRX().printDiagram(this, selection_, stats_, *graph_, graph_->width());
}

void CDataLogDlg::printData() {
    CPrintRX().printData(this, selection_, stats_);
}
