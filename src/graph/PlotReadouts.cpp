#include "graph/PlotReadouts.h"

#include "graph/CGraphicsBtn.h"
#include "plot/CursorSpan.h"
#include "ui/AcousticGroup.h"
#include "ui/LevelLimit.h"
#include "ui/Prompt.h"
#include "ui/WindowReport.h"

#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>

namespace {
QString level(double v) {
    return QString::asprintf("%.1f", v);
}
QString timeText(const CObjData& r) {
    return QString::fromLatin1(r.dateTime());
}
} // namespace

PlotReadouts::PlotReadouts(QWidget* form, CGraphicsBtn* graph, QScrollBar* horizontal,
                           QScrollBar* vertical, SeriesLookup series)
    : QObject(form), form_(form), graph_(graph), horizontal_(horizontal), vertical_(vertical),
      series_(std::move(series)) {
    connect(graph_, &CGraphicsBtn::cursorChanged, this, &PlotReadouts::onCursor);
    connect(graph_, &CGraphicsBtn::hover, this, &PlotReadouts::onHover);
    connect(graph_, &CGraphicsBtn::rangeChanged, this, &PlotReadouts::onRange);
    // Never from inside a redraw: the box opens once the redraw is over.
    connect(graph_, &CGraphicsBtn::timeFormatWrong, this, &PlotReadouts::reportTimeFormat,
            Qt::QueuedConnection);
    // One arrow click moves one sample or one dB; page clicks do nothing, and a
    // thumb drag takes effect when the thumb is released.
    for (QScrollBar* bar : {horizontal_.data(), vertical_.data()}) {
        if (!bar)
            continue;
        bar->setSingleStep(1);
        bar->setPageStep(0);
        bar->setTracking(false);
    }
    connect(&levelLimit(), &LevelLimit::changed, this, [this] {
        if (graph_->cursorA >= 0)
            showSpanAcoustics(graph_->cursorA, graph_->cursorB);
    });
    if (vertical_)
        connect(vertical_, &QScrollBar::valueChanged, this, &PlotReadouts::onVerticalMoved);
    if (horizontal_)
        connect(horizontal_, &QScrollBar::valueChanged, this, &PlotReadouts::onHorizontalMoved);
}

void PlotReadouts::setText(int id, const QString& text) {
    if (!form_)
        return;
    QWidget* w = form_->findChild<QWidget*>(QString::number(id));
    if (auto* edit = qobject_cast<QLineEdit*>(w))
        edit->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(w))
        label->setText(text);
}

void PlotReadouts::onCursor(int which, int index) {
    const RecordList& s = series_();
    if (index < 0 || index >= s.count())
        return;
    const CObjData& r = s[index];
    if (which == cursorWhichA) {
        cursorAIndex_ = index;
        setText(ReadoutId::cursorAValue, level(r.value()));
        setText(ReadoutId::cursorATime, timeText(r));
        for (int id : {ReadoutId::cursorBValue, ReadoutId::cursorBTime, ReadoutId::rangeMaxValue,
                       ReadoutId::rangeMaxTime, ReadoutId::rangeMinValue, ReadoutId::rangeMinTime,
                       ReadoutId::rangeAverage})
            setText(id, QString());
        if (form_)
            AcousticGroup::clear(form_, AcousticGroup::Span);
    } else if (which == cursorWhichB) {
        setText(ReadoutId::cursorBValue, level(r.value()));
        setText(ReadoutId::cursorBTime, timeText(r));
        showSpanAcoustics(cursorAIndex_, index);
        const auto span = cursorSpan(s, cursorAIndex_, index);
        if (!span)
            return;
        if (span->maxIndex) {
            setText(ReadoutId::rangeMaxValue, level(s[*span->maxIndex].value()));
            setText(ReadoutId::rangeMaxTime, timeText(s[*span->maxIndex]));
        }
        if (span->minIndex) {
            setText(ReadoutId::rangeMinValue, level(s[*span->minIndex].value()));
            setText(ReadoutId::rangeMinTime, timeText(s[*span->minIndex]));
        }
        setText(ReadoutId::rangeAverage, level(span->average));
        setText(ReadoutId::rangeCount, QString::number(span->count));
    }
}

void PlotReadouts::showSpanAcoustics(int from, int to) {
    if (!form_)
        return;
    const RecordList& s = series_();
    AcousticGroup::clear(form_, AcousticGroup::Span);
    if (from < 0 || to < from || to >= s.count())
        return;
    AcousticGroup::show(form_, AcousticGroup::Span,
                        summarize(s, static_cast<std::size_t>(from),
                                  static_cast<std::size_t>(to) + 1, s[0].samplingRate(),
                                  graph_->limit),
                        graph_->limit.has_value());
    AcousticGroup::showRules(form_, AcousticGroup::Span,
                             computeNoiseFigures(s, static_cast<std::size_t>(from),
                                                 static_cast<std::size_t>(to) + 1,
                                                 WindowReport::noiseSettings()));
}

void PlotReadouts::onHover(int index) {
    const RecordList& s = series_();
    if (index < 0 || index >= s.count())
        return;
    setText(ReadoutId::legendValue, level(s[index].value()));
    setText(ReadoutId::legendTime, timeText(s[index]));
}

void PlotReadouts::onRange() {
    updatingBars_ = true;
    if (vertical_) {
        const ScrollRange v = graph_->verticalScroll();
        vertical_->setRange(0, v.maximum);
        vertical_->setValue(v.position);
    }
    if (horizontal_) {
        const ScrollRange h = graph_->horizontalScroll();
        horizontal_->setRange(0, h.maximum);
        horizontal_->setValue(h.position);
    }
    updatingBars_ = false;
}

void PlotReadouts::onVerticalMoved(int pos) {
    if (updatingBars_)
        return;
    graph_->scrollVerticalTo(pos);
    graph_->Redraw(series_());
    onRange();
}

void PlotReadouts::onHorizontalMoved(int pos) {
    if (updatingBars_)
        return;
    graph_->scrollHorizontalTo(pos);
    graph_->Redraw(series_());
}

void PlotReadouts::zoomBack() {
    graph_->ResetView();
}

void PlotReadouts::reportTimeFormat() {
    const RecordList& s = series_();
    const std::string start = s.empty() ? std::string() : std::string(s[0].dateTime());
    if (timeFormatReported_ && start == timeFormatReportedFor_)
        return;
    timeFormatReported_ = true;
    timeFormatReportedFor_ = start;
    prompt().inform(form_, QStringLiteral("Time Format is wrong!"), QStringLiteral("Vrel"));
}
