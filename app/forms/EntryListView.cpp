// The shared entry-selection list.
#include "EntryListView.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelection>
#include <QPainter>
#include <QStyle>
#include <algorithm>

#include "AppSeams.h"
#include "BankModel.h"
#include "platform/qt/Application.h"

namespace {

// Display rows as contiguous ranges of whole rows.
QItemSelection RowRanges(const QAbstractItemModel* model, std::vector<int> displayRows) {
    QItemSelection selection;
    if (displayRows.empty() || model->columnCount() == 0) return selection;
    std::sort(displayRows.begin(), displayRows.end());
    const int lastColumn = model->columnCount() - 1;
    size_t start = 0;
    for (size_t i = 1; i <= displayRows.size(); ++i) {
        if (i < displayRows.size() && displayRows[i] == displayRows[i - 1] + 1) continue;
        selection.select(model->index(displayRows[start], 0),
                         model->index(displayRows[i - 1], lastColumn));
        start = i;
    }
    return selection;
}

// Fits a list's columns again whenever its size or font changes.
class TColumnFitWatch : public QObject {
public:
    explicit TColumnFitWatch(QTreeView* view) : QObject(view), view_(view) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize || event->type() == QEvent::FontChange)
            FitListColumns(*view_, *view_->header());
        return false;
    }

private:
    QTreeView* view_;
};

}  // namespace

void FitListColumns(QAbstractItemView& view, QHeaderView& header,
                    const std::vector<int>& captionOnly) {
    std::vector<int> columns, wanted;
    for (int c = 0; c < header.count(); ++c) {
        if (header.isSectionHidden(c)) continue;
        const bool caption =
            std::find(captionOnly.begin(), captionOnly.end(), c) != captionOnly.end();
        columns.push_back(c);
        wanted.push_back(caption ? header.sectionSizeHint(c)
                                 : std::max(header.sectionSizeHint(c), view.sizeHintForColumn(c)));
    }
    const std::vector<int> widths = FitColumnWidths(wanted, view.viewport()->width());
    for (size_t i = 0; i < columns.size(); ++i) header.resizeSection(columns[i], widths[i]);
}

void KeepListColumnsFitted(QTreeView& view) {
    view.installEventFilter(new TColumnFitWatch(&view));
    FitListColumns(view, *view.header());
}

TEntryListView::TEntryListView(QWidget* parent) : QTableWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The grid is drawn by paintEvent in whole device pixels; the view keeps its room.
    setShowGrid(true);
    setGridStyle(Qt::NoPen);
    setWordWrap(false);
    setSortingEnabled(false);
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(false);
    // The selection stays as visible as with the focus.
    QPalette p = palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        p.setColor(QPalette::Inactive, role, p.color(QPalette::Active, role));
    setPalette(p);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        CallGuarded([&] {
            if (chains_) SortBy(column);
        });
    });
}

void TEntryListView::SetCaptions(const std::vector<std::string>& captions) {
    setColumnCount(int(captions.size()));
    QStringList labels;
    for (const std::string& caption : captions) labels << ToQString(caption);
    setHorizontalHeaderLabels(labels);
}

void TEntryListView::SetSortChains(std::function<TSortChain(int column)> chains) {
    chains_ = std::move(chains);
}

void TEntryListView::SetFitToHeader(int column, bool fit) {
    auto at = std::find(fitToHeader_.begin(), fitToHeader_.end(), column);
    if (fit && at == fitToHeader_.end()) fitToHeader_.push_back(column);
    if (!fit && at != fitToHeader_.end()) fitToHeader_.erase(at);
}

void TEntryListView::SetRows(std::vector<TEntryListRow> rows) {
    TBusyScope busy;
    setUpdatesEnabled(false);
    clearSelection();
    rows_ = std::move(rows);
    icons_.assign(rows_.size(), QIcon());
    std::vector<size_t> order(rows_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    // Sorted once after filling, not on every row added.
    if (chains_) order = SortedRowOrder(rows_, order, chains_(sortColumn_));
    SetOrder(std::move(order));
    setRowCount(0);
    setRowCount(int(rows_.size()));
    const int columns = columnCount();
    for (int r = 0; r < int(rows_.size()); ++r) {
        for (int c = 0; c < columns; ++c) {
            auto* item = new QTableWidgetItem();
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            setItem(r, c, item);
        }
        ShowRow(r);
    }
    SizeColumns();
    setUpdatesEnabled(true);
}

void TEntryListView::FillEntries(const TBankState& bank) {
    SetCaptions(EntryListCaptions());
    SetFitToHeader(elcFav);
    SetSortChains(EntrySortChain);
    SetRows(EntryListRows(bank));
}

void TEntryListView::ShowRow(int displayRow) {
    const TEntryListRow& row = rows_[order_[size_t(displayRow)]];
    const int columns = columnCount();
    for (int c = 0; c < columns; ++c) {
        QTableWidgetItem* cell = item(displayRow, c);
        if (!cell) continue;
        cell->setText(ToQString(ShortenedText(row.Text(c), ListCellTextBytes)));
        cell->setData(Qt::UserRole, qulonglong(order_[size_t(displayRow)]));
        if (c == 0) cell->setIcon(icons_[order_[size_t(displayRow)]]);
    }
}

void TEntryListView::SetOrder(std::vector<size_t> order) {
    order_ = std::move(order);
    displayOf_.assign(order_.size(), -1);
    for (size_t r = 0; r < order_.size(); ++r) displayOf_[order_[r]] = int(r);
}

void TEntryListView::SortBy(int column) {
    if (column < 0 || column >= columnCount()) return;
    sortColumn_ = column;
    if (!chains_) return;
    TBusyScope busy;
    const std::vector<size_t> selected = SelectedRows();
    const int current = currentRow();
    const bool hadCurrent = current >= 0 && size_t(current) < order_.size();
    const size_t currentRowOf = hadCurrent ? order_[size_t(current)] : 0;
    setUpdatesEnabled(false);
    SetOrder(SortedRowOrder(rows_, order_, chains_(column)));
    for (int r = 0; r < int(order_.size()); ++r) ShowRow(r);
    clearSelection();
    if (hadCurrent)
        selectionModel()->setCurrentIndex(model()->index(DisplayRowOf(currentRowOf), 0),
                                          QItemSelectionModel::NoUpdate);
    SelectRows(selected);
    setUpdatesEnabled(true);
    emit sorted(column);
}

int TEntryListView::DisplayRowOf(size_t row) const {
    return row < displayOf_.size() ? displayOf_[row] : -1;
}

std::vector<size_t> TEntryListView::SelectedRows() const {
    std::vector<int> display;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        display.push_back(index.row());
    std::sort(display.begin(), display.end());
    std::vector<size_t> rows;
    rows.reserve(display.size());
    for (int r : display)
        if (r >= 0 && size_t(r) < order_.size()) rows.push_back(order_[size_t(r)]);
    return rows;
}

std::vector<int> TEntryListView::selectedIndices() const {
    std::vector<const TEntryListRow*> rows;
    for (size_t r : SelectedRows()) rows.push_back(&rows_[r]);
    return AscendingEntryIndices(rows);
}

void TEntryListView::SelectRows(const std::vector<size_t>& rows) {
    if (rows.empty()) return;
    std::vector<int> display;
    for (size_t row : rows)
        if (row < displayOf_.size()) display.push_back(displayOf_[row]);
    selectionModel()->select(RowRanges(model(), std::move(display)), QItemSelectionModel::Select);
}

void TEntryListView::SetRowText(size_t row, int column, const std::string& text) {
    if (row >= rows_.size() || column < 0) return;
    std::vector<std::string>& texts = rows_[row].Texts;
    if (texts.size() <= size_t(column)) texts.resize(size_t(column) + 1);
    texts[size_t(column)] = text;
    const int display = DisplayRowOf(row);
    if (QTableWidgetItem* cell = display >= 0 ? item(display, column) : nullptr)
        cell->setText(ToQString(ShortenedText(text, ListCellTextBytes)));
}

void TEntryListView::SetRowIcon(size_t row, const QIcon& icon) {
    if (row >= rows_.size()) return;
    icons_[row] = icon;
    const int display = DisplayRowOf(row);
    if (QTableWidgetItem* cell = display >= 0 ? item(display, 0) : nullptr) cell->setIcon(icon);
}

void TEntryListView::SizeColumns() {
    FitListColumns(*this, *horizontalHeader(), fitToHeader_);
}

void TEntryListView::paintEvent(QPaintEvent* event) {
    QTableWidget::paintEvent(event);
    // The view's own grid pen is one logical pixel wide, which a fractional scale spreads over
    // one or two device pixels from line to line; a cosmetic pen is one device pixel always.
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QColor color =
        QColor::fromRgba(QRgb(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this)));
    QPainter painter(viewport());
    painter.setPen(QPen(color, 0));
    const int right =
        std::min(viewport()->width(), horizontalHeader()->length() - horizontalHeader()->offset()) -
        1;
    const int bottom =
        std::min(viewport()->height(), verticalHeader()->length() - verticalHeader()->offset()) - 1;
    for (int r = rowAt(0); r >= 0 && rowViewportPosition(r) <= bottom; ++r) {
        const int y = rowViewportPosition(r) + rowHeight(r) - 1;
        painter.drawLine(0, y, right, y);
        if (r + 1 >= rowCount()) break;
    }
    for (int c = 0; c < columnCount(); ++c) {
        if (isColumnHidden(c)) continue;
        const int x = columnViewportPosition(c) + columnWidth(c) - 1;
        if (x >= 0 && x <= right) painter.drawLine(x, 0, x, bottom);
    }
}

void TEntryListView::resizeEvent(QResizeEvent* event) {
    QTableWidget::resizeEvent(event);
    SizeColumns();
}

void TEntryListView::changeEvent(QEvent* event) {
    QTableWidget::changeEvent(event);
    // A scaled font: rows as high as its lines, columns as wide as its texts.
    if (event->type() != QEvent::FontChange) return;
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    SizeColumns();
}
