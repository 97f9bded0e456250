#pragma once

#include "model/RecordList.h"

#include <QAbstractTableModel>

// The table of a series: "ID", "Tarih, Saat", "Birim", "Değer". It reads the
// records in place; after the series grows, sync() announces only the new rows,
// so a recording appends to the table and never rebuilds it.
class RecordTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    enum Column { IdColumn, TimeColumn, UnitColumn, ValueColumn, ColumnCount };
    static constexpr int columnWidths[ColumnCount] = {70, 200, 80, 100};

    explicit RecordTableModel(const RecordList& series, QObject* parent = nullptr);

    // Brings the rows up to the series: appended records become inserted rows;
    // a series that shrank (cleared, replaced) resets the table.
    void sync();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

  private:
    const RecordList& series_;
    int rows_ = 0;
};
