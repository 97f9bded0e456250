#include "FleetTable.h"

#include "model/TimeLabels.h"

#include <QBrush>
#include <QColor>
#include <QDateTime>
#include <QFont>

#include <algorithm>

namespace {

// An instant on this PC's local clock, written as every window writes a date-time.
QString clockText(SurveyMs ms) {
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(ms);
    const QDate d = t.date();
    const QTime c = t.time();
    return QString::fromStdString(
        dateTimeText({d.day(), d.month(), d.year(), c.hour(), c.minute(), c.second()}));
}

} // namespace

FleetTable::FleetTable(const FleetModel& fleet, QObject* parent)
    : QAbstractTableModel(parent), fleet_(fleet) {}

void FleetTable::refresh(const FleetUpdate& update, SurveyMs now) {
    now_ = now;
    const int rows = static_cast<int>(fleet_.meters().size());
    if (rows > rows_) {
        beginInsertRows({}, rows_, rows - 1);
        rows_ = rows;
        endInsertRows();
    }
    if (update.changed.empty())
        return;
    const auto [low, high] = std::minmax_element(update.changed.begin(), update.changed.end());
    emit dataChanged(index(static_cast<int>(*low), 0), index(static_cast<int>(*high), Columns - 1));
}

int FleetTable::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int FleetTable::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Columns;
}

QString FleetTable::statusText(const FleetMeter& m) const {
    const std::optional<bool> online = fleet_.shownOnline(m);
    if (!online)
        return tr("bilinmiyor");
    // Online since the survey's own word for it, when it gave one: the
    // window may have looked in long after.
    const SurveyMs since = *online && m.onlineSince ? *m.onlineSince : m.statusSince;
    return (*online ? tr("çevrimiçi, %1") : tr("çevrimdışı, %1")).arg(clockText(since));
}

QVariant FleetTable::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_)
        return {};
    const FleetMeter& m = fleet_.meters()[static_cast<std::size_t>(index.row())];
    const bool stale = FleetModel::stale(m, now_);
    const auto& interval = m.interval;
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case Site:
            return QString::fromStdString(m.site);
        case Meter:
            return QString::fromStdString(m.meter);
        case Status:
            return statusText(m);
        case Level:
            return m.level ? QStringLiteral("%1 %2")
                                 .arg(*m.level, 0, 'f', 1)
                                 .arg(QString::fromStdString(m.weighting))
                           : QStringLiteral("–");
        case IntervalLeq:
            return interval && interval->leq ? QString::number(*interval->leq, 'f', 1)
                                             : QStringLiteral("–");
        case IntervalEnd:
            return interval ? clockText(interval->endMs) : QString();
        case Coverage:
            return interval ? QStringLiteral("%1 %").arg(interval->coverage * 100, 0, 'f', 1)
                            : QString();
        case Limit:
            return m.overLimit ? tr("aşıldı") : QString();
        }
    }
    if (role == sortRole) {
        switch (index.column()) {
        case Status: {
            const std::optional<bool> online = fleet_.shownOnline(m);
            return online ? (*online ? 2 : 1) * 1e15 - static_cast<double>(m.statusSince) : 0.0;
        }
        case Level:
            return m.level && !stale ? *m.level : -1e9;
        case IntervalLeq:
            return interval && interval->leq ? *interval->leq : -1e9;
        case IntervalEnd:
            return interval ? static_cast<double>(interval->endMs) : 0.0;
        case Coverage:
            return interval ? interval->coverage : -1.0;
        case Limit:
            return m.overLimit ? 1 : 0;
        default:
            return data(index, Qt::DisplayRole);
        }
    }
    if (role == Qt::ForegroundRole) {
        if (index.column() == Level && stale)
            return QBrush(QColor(150, 150, 150));
        if (index.column() == Status) {
            const std::optional<bool> online = fleet_.shownOnline(m);
            if (!online)
                return QBrush(QColor(150, 150, 150));
            if (!*online)
                return QBrush(QColor(170, 40, 40));
        }
        if (index.column() == Limit && m.overLimit)
            return QBrush(Qt::white);
    }
    if (role == Qt::BackgroundRole && m.overLimit &&
        (index.column() == Limit || index.column() == Level || index.column() == IntervalLeq))
        return QBrush(index.column() == Limit ? QColor(190, 30, 30) : QColor(255, 215, 210));
    if (role == Qt::FontRole && index.column() == Limit && m.overLimit) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    if (role == Qt::TextAlignmentRole && index.column() >= Level && index.column() != IntervalEnd)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant FleetTable::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Site:
        return tr("Saha");
    case Meter:
        return tr("Ölçer");
    case Status:
        return tr("Durum (şu andan beri)");
    case Level:
        return tr("Seviye");
    case IntervalLeq:
        return tr("Son aralık Leq (dB)");
    case IntervalEnd:
        return tr("Aralık sonu");
    case Coverage:
        return tr("Kapsam");
    case Limit:
        return tr("Sınır");
    }
    return {};
}
