#include "live/RecordingController.h"

#include "graph/CGraphicsBtn.h"
#include "ui/AcousticGroup.h"
#include "ui/LevelLimit.h"
#include "ui/WindowReport.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTreeView>

namespace {

// The "Akustik" group's second page of the whole recording.
void showWholeRules(QWidget* form, const RecordList& series) {
    if (form && !series.empty())
        AcousticGroup::showRules(
            form, AcousticGroup::Whole,
            computeNoiseFigures(series, 0, series.size(), WindowReport::noiseSettings()));
}

} // namespace

RecordingController::RecordingController(RecordList& series, QWidget* form, CGraphicsBtn* graph,
                                         QAbstractItemView* table, LiveLookup live, Clock& clock,
                                         QObject* parent)
    : QObject(parent), series_(series), form_(form), graph_(graph), table_(table),
      run_(series, std::move(live), clock), model_(series) {
    connect(&run_, &RecordingRun::sampled, this, &RecordingController::onSampled);
    connect(&run_, &RecordingRun::ended, this, &RecordingController::onEnded);
    connect(&run_, &RecordingRun::ended, this, &RecordingController::ended);
    figuresTimer_.setSingleShot(true);
    figuresTimer_.setInterval(figuresRefreshMs);
    connect(&figuresTimer_, &QTimer::timeout, this, &RecordingController::showFigures);
    run_.setLevelLimit(levelLimit().value());
    connect(&levelLimit(), &LevelLimit::changed, this, &RecordingController::recountAcoustics);
    if (QAbstractButton* page = form_ ? AcousticGroup::pageButton(form_) : nullptr)
        connect(page, &QAbstractButton::toggled, this, [this](bool on) {
            if (on)
                showWholeRules(form_, series_);
        });
    if (!table_)
        return;
    table_->setModel(&model_);
    QHeaderView* header = nullptr;
    if (auto* tree = qobject_cast<QTreeView*>(table_))
        header = tree->header();
    else if (auto* grid = qobject_cast<QTableView*>(table_))
        header = grid->horizontalHeader();
    if (header)
        for (int c = 0; c < RecordTableModel::ColumnCount; ++c)
            header->resizeSection(c, RecordTableModel::columnWidths[c]);
}

void RecordingController::setText(int id, const QString& text) {
    if (!form_)
        return;
    // Looked up once: a search of the form's children on every tick costs more
    // than the rest of the boxes' work.
    QPointer<QLineEdit>& edit = boxes_[id];
    if (!edit)
        edit = form_->findChild<QLineEdit*>(QString::number(id));
    if (edit && edit->text() != text)
        edit->setText(text);
}

QComboBox* RecordingController::intervalBox() const {
    return form_ ? form_->findChild<QComboBox*>(QStringLiteral("1007")) : nullptr;
}

double RecordingController::chosenInterval() const {
    const QComboBox* box = intervalBox();
    const int i = box ? box->currentIndex() : -1;
    if (i >= 0 && i < static_cast<int>(sampleIntervals.size()))
        return sampleIntervals[static_cast<std::size_t>(i)];
    return sampleIntervals[2];
}

bool RecordingController::start() {
    if (!run_.meterNow().connected)
        return false;
    run_.start(chosenInterval());
    setText(1009, QString());
    model_.sync();
    if (QComboBox* box = intervalBox())
        box->setEnabled(false);
    graph_->xMax = 20;
    graph_->ResetView();
    graph_->followNewest = true;
    emit recordingChanged(true);
    return true;
}

void RecordingController::onEnded() {
    if (QComboBox* box = intervalBox())
        box->setEnabled(true);
    if (figuresTimer_.isActive()) {
        figuresTimer_.stop();
        showFigures();
    }
    graph_->followNewest = false;
    emit recordingChanged(false);
}

void RecordingController::stop() {
    run_.stop();
}

void RecordingController::endByMeter(GapCause cause) {
    run_.endByMeter(cause);
}

void RecordingController::clear() {
    figuresTimer_.stop();
    maxMoved_ = minMoved_ = false;
    run_.clear();
    setText(1009, QString());
    model_.sync();
    graph_->ResetView();
    emit cleared();
}

void RecordingController::restore(const RecordList& records) {
    run_.restore(records);
    model_.sync();
    graph_->xMax = 20;
    graph_->ResetView();
    graph_->Redraw(series_);
    if (!series_.empty()) {
        showSummary(true, true);
        showAcoustics();
    }
}

void RecordingController::tick() {
    run_.tick();
}

void RecordingController::onSampled(const CObjData& sample, StatsUpdate moved) {
    appendRow();
    graph_->Redraw(series_);
    // The boxes follow at a reader's pace: setting a line edit's text lays the
    // text out anew, which cost more than the rest of a tick at 0.1 s.
    maxMoved_ = maxMoved_ || moved.maxMoved;
    minMoved_ = minMoved_ || moved.minMoved;
    if (!figuresTimer_.isActive())
        figuresTimer_.start();
    emit sampled(sample);
}

void RecordingController::appendRow() {
    // The table follows the recording while it shows the newest row, and
    // stays where the user scrolled to otherwise. A hidden table is brought to
    // its newest row when it is shown. To the bottom rather than to the row:
    // finding a row's place lays out the header's every row before it.
    QScrollBar* rows = table_ && table_->isVisible() ? table_->verticalScrollBar() : nullptr;
    const bool follow = rows && rows->value() == rows->maximum();
    auto* grid = rows ? qobject_cast<QTableView*>(table_) : nullptr;
    if (!grid || !grid->viewport()->updatesEnabled()) {
        model_.sync();
        if (follow)
            table_->scrollToBottom();
        return;
    }
    // A table view paints all its rows again after a row is inserted, which
    // cost more than the rest of a tick. Its layout is done here, its
    // viewport deaf meanwhile; the rows shown are then moved up as a picture
    // and only the newest painted.
    QWidget* viewport = grid->viewport();
    const QSize size = viewport->size();
    const int offset = grid->verticalHeader()->offset();
    viewport->setAttribute(Qt::WA_UpdatesDisabled);
    model_.sync();
    grid->doItemsLayout();
    if (follow)
        grid->scrollToBottom();
    viewport->setAttribute(Qt::WA_UpdatesDisabled, false);
    if (viewport->size() != size) {
        viewport->update();
        return;
    }
    const int row = series_.count() - 1;
    if (const int moved = offset - grid->verticalHeader()->offset(); moved != 0) {
        viewport->scroll(0, moved);
        // the newest row lies within the last two rows' height from the bottom
        const int strip = 2 * grid->verticalHeader()->sectionSize(row) + 1;
        viewport->update(0, viewport->height() - strip, viewport->width(), strip);
    } else if (rows->maximum() == 0) {
        // all rows in view (finding the newest row's place is cheap then), with
        // the grid lines around it
        const int y = grid->rowViewportPosition(row);
        viewport->update(0, y - 1, viewport->width(), grid->rowHeight(row) + 2);
    }
}

void RecordingController::showFigures() {
    showSummary(maxMoved_, minMoved_);
    maxMoved_ = minMoved_ = false;
    showAcoustics();
}

void RecordingController::showSummary(bool maxMoved, bool minMoved) {
    const SeriesStats& s = run_.stats();
    setText(1009, QString::number(series_.count()));
    setText(1001, QString::fromLatin1(s.startTime));
    if (maxMoved) {
        setText(1002, QString::asprintf("%.1f", s.maxValue));
        setText(1003, QString::fromLatin1(s.maxTime));
    }
    if (minMoved) {
        setText(1008, QString::asprintf("%.1f", s.minValue));
        setText(1006, QString::fromLatin1(s.minTime));
    }
    setText(1005, QString::asprintf("%.1f", s.average));
}

void RecordingController::showAcoustics() {
    if (!form_)
        return;
    if (!acousticFieldsFound_) {
        acousticFields_ = AcousticGroup::fields(form_, AcousticGroup::Whole);
        acousticFieldsFound_ = true;
    }
    AcousticGroup::show(acousticFields_, run_.acoustics().summary(),
                        levelLimit().value().has_value());
    // The second page re-reads the whole series: only while it is shown, and
    // on a long recording every n-th reading, so a tick stays cheap.
    const std::size_t every = std::max<std::size_t>(1, series_.size() / 20000);
    if (AcousticGroup::rulesShown(form_) && series_.size() % every == 0)
        showWholeRules(form_, series_);
}

void RecordingController::recountAcoustics(std::optional<double> limit) {
    run_.setLevelLimit(limit);
    if (!series_.empty())
        showAcoustics();
}
