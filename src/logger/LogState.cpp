#include "logger/LogState.h"

#include "logger/DataLogForm.h"

#include <QPainter>
#include <QProgressBar>

#include <algorithm>

CLogState::CLogState(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    form_ = FormBuilder().build(logStateFormSpec(), this);
    setProgress(0, 0);
}

void CLogState::setProgress(int value, int maximum) {
    QProgressBar* bar = progressBar();
    // A range of 0..0 would make the bar a busy indicator; before the dump's
    // length is known it simply stands empty.
    bar->setRange(0, std::max(maximum, 1));
    bar->setValue(std::clamp(value, 0, std::max(maximum, 1)));
}

QProgressBar* CLogState::progressBar() const {
    return form_.get<QProgressBar>(DataLogId::progress);
}

void CLogState::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    // Without a caption bar the window needs an edge of its own.
    QPainter p(this);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}
