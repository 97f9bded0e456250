#include "surveywindow/SurveyTables.h"

#include "survey/SeriesTables.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>

#include <string_view>

namespace {

// A figure the window cannot give shows as this.
constexpr std::string_view noFigure = "-";

template <class Row> QStringList headingsOf(const FigureTable<Row>& table) {
    const Language language = interfaceLanguage();
    QStringList out{QString::fromUtf8(table.heading.in(language))};
    for (const TableColumn<Row>& c : table.columns)
        out << QString::fromUtf8(c.heading.in(language));
    return out;
}

template <class Row>
void setRow(QTableWidget* t, int r, const FigureTable<Row>& table, const Row& row) {
    setSurveyCell(t, r, 0, QString::fromStdString(table.name(row)));
    for (std::size_t c = 0; c < table.columns.size(); ++c)
        setSurveyCell(t, r, static_cast<int>(c) + 1,
                      QString::fromStdString(figureText(table.columns[c], row, noFigure)));
}

void fitToContents(QTableWidget* t) {
    t->resizeColumnsToContents();
}

// Every column in sight, beside room for the scroll bar.
int widthOf(const QTableWidget* t) {
    return t->horizontalHeader()->length() + 2 * t->frameWidth() +
           t->verticalScrollBar()->sizeHint().width();
}

} // namespace

QTableWidget* makeSurveyTable(const QStringList& headings, QWidget* parent) {
    auto* t = new QTableWidget(0, static_cast<int>(headings.size()), parent);
    t->setHorizontalHeaderLabels(headings);
    t->verticalHeader()->hide();
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    return t;
}

void setSurveyCell(QTableWidget* table, int row, int column, const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(column == 0 ? Qt::AlignLeft | Qt::AlignVCenter
                                       : Qt::AlignRight | Qt::AlignVCenter);
    table->setItem(row, column, item);
}

SurveyTables::SurveyTables(QWidget* parent)
    : figures_(makeSurveyTable({tr("Değer"), tr("Tümü"), tr("A-B arası")}, parent)),
      daily_(makeSurveyTable(headingsOf(dailyFiguresTable()), parent)),
      hourly_(makeSurveyTable(headingsOf(hourlyFiguresTable()), parent)) {
    const auto& figureRows = spanFigureRows();
    const int rows = static_cast<int>(figureRows.size());
    figures_->setRowCount(rows);
    for (int r = 0; r < rows; ++r)
        setSurveyCell(figures_, r, 0,
                      QString::fromUtf8(
                          figureRows[static_cast<std::size_t>(r)].heading.in(interfaceLanguage())));
    figures_->setSelectionMode(QAbstractItemView::NoSelection);
    // Every figure in sight, also when a line about writing takes room.
    figures_->setMinimumHeight(figures_->horizontalHeader()->sizeHint().height() +
                               rows * figures_->verticalHeader()->defaultSectionSize() +
                               2 * figures_->frameWidth());
    hourly_->hide();
    for (QTableWidget* t : {figures_, daily_, hourly_})
        fitToContents(t);
}

void SurveyTables::showSpan(int column, const std::optional<SpanFigures>& figures) {
    const auto& rows = spanFigureRows();
    for (std::size_t r = 0; r < rows.size(); ++r)
        setSurveyCell(figures_, static_cast<int>(r), column + 1,
                      QString::fromStdString(figures ? figureText(rows[r], *figures, noFigure)
                                                     : std::string(noFigure)));
    fitToContents(figures_);
    // Never narrower than its figures: the window's other tables give way.
    figures_->setMinimumWidth(widthOf(figures_));
}

void SurveyTables::showDays(const std::vector<DayFigures>& days, bool withEvents,
                            const SeriesBackground& background) {
    FigureTable<DayFigures> table = dailyFiguresTable();
    if (withEvents) {
        const auto& more = dailyEventColumns();
        table.columns.insert(table.columns.end(), more.begin(), more.end());
    }
    QStringList headings = headingsOf(table);
    for (const QString& part : {tr("ABL gündüz"), tr("ABL akşam"), tr("ABL gece")})
        headings << part;
    daily_->setColumnCount(static_cast<int>(headings.size()));
    daily_->setHorizontalHeaderLabels(headings);
    daily_->setRowCount(static_cast<int>(days.size()));
    const int firstAbl = static_cast<int>(table.columns.size()) + 1;
    for (int r = 0; r < static_cast<int>(days.size()); ++r) {
        const DayFigures& d = days[static_cast<std::size_t>(r)];
        setRow(daily_, r, table, d);
        for (int c = 0; c < 3; ++c)
            setSurveyCell(daily_, r, firstAbl + c,
                          QString::fromUtf8(noFigure.data(), noFigure.size()));
        for (const BackgroundLevel& l : background.levels)
            if (l.year == d.year && l.month == d.month && l.day == d.day)
                setSurveyCell(daily_, r, firstAbl + static_cast<int>(l.part),
                              QString::number(l.abl, 'f', 1));
    }
    fitToContents(daily_);
}

void SurveyTables::showHours(const std::vector<HourFigures>& hours) {
    hourly_->setRowCount(static_cast<int>(hours.size()));
    for (int r = 0; r < static_cast<int>(hours.size()); ++r) {
        const HourFigures& h = hours[static_cast<std::size_t>(r)];
        setRow(hourly_, r, hourlyFiguresTable(), h);
        hourly_->item(r, 0)->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(h.start));
        hourly_->item(r, 0)->setData(Qt::UserRole + 1, QVariant::fromValue<qlonglong>(h.end));
    }
    fitToContents(hourly_);
}

std::array<int, 3> SurveyTables::widths() const {
    auto width = [](const QTableWidget* t) { return t->isHidden() ? 0 : widthOf(t); };
    return {width(figures_), width(daily_), width(hourly_)};
}
