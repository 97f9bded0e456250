#include "live/RecordTableModel.h"

#include "model/TimeLabels.h"

RecordTableModel::RecordTableModel(const RecordList& series, QObject* parent)
    : QAbstractTableModel(parent), series_(series), rows_(series.count()) {}

void RecordTableModel::sync() {
    const int n = series_.count();
    if (n > rows_) {
        beginInsertRows({}, rows_, n - 1);
        rows_ = n;
        endInsertRows();
    } else if (n < rows_) {
        beginResetModel();
        rows_ = n;
        endResetModel();
    }
}

int RecordTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int RecordTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RecordTableModel::data(const QModelIndex& index, int role) const {
    // rows_ can run ahead of a series cleared without sync(); never read past its end.
    if (!index.isValid() || index.row() >= series_.count())
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    const CObjData& r = series_[index.row()];
    switch (index.column()) {
    case IdColumn:
        return QString::number(index.row() + 1);
    case TimeColumn:
        return QString::fromLatin1(readingTimeText(series_, static_cast<std::size_t>(index.row())));
    case UnitColumn:
        return QString::fromLatin1(r.unit());
    case ValueColumn:
        return QString::asprintf("%.2f", r.value());
    default:
        return {};
    }
}

QVariant RecordTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case IdColumn:
        return QStringLiteral("ID");
    case TimeColumn:
        return tr("Tarih, Saat");
    case UnitColumn:
        return tr("Birim");
    case ValueColumn:
        return tr("Değer");
    default:
        return {};
    }
}
