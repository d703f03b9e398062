// The shared entry-selection list.
#include "EntryListView.h"

#include <QAbstractTableModel>
#include <QEvent>
#include <QHeaderView>
#include <QItemSelection>
#include <QPainter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>
#include <map>
#include <tuple>

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

// The cells of an entry list, served from its rows in the order shown: a row's texts (their
// start, ShortenedText), its icon in the first column and its position in Rows() (UserRole).
class TEntryListModel : public QAbstractTableModel {
public:
    explicit TEntryListModel(TEntryListView& view) : QAbstractTableModel(&view), view_(view) {}

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : view_.rowCount();
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : view_.columnCount();
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
            return QVariant();
        const size_t row = view_.order_[size_t(index.row())];
        switch (role) {
            case Qt::DisplayRole:
            case Qt::EditRole:
                return ToQString(
                    ShortenedText(view_.rows_[row].Text(index.column()), ListCellTextBytes));
            case Qt::DecorationRole:
                return index.column() == 0 ? QVariant(view_.icons_[row]) : QVariant();
            case Qt::UserRole:
                return qulonglong(row);
            default:
                return QVariant();
        }
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Vertical)
            return QAbstractTableModel::headerData(section, orientation, role);
        if (section < 0 || section >= columnCount() ||
            (role != Qt::DisplayRole && role != Qt::EditRole))
            return QVariant();
        return ToQString(view_.captions_[size_t(section)]);
    }

    // The view's rows or columns change within `change`.
    template <class F>
    void Reset(F&& change) {
        beginResetModel();
        change();
        endResetModel();
    }
    // The texts or icons shown in a block of cells changed.
    void CellsChanged(int firstRow, int lastRow, int firstColumn, int lastColumn) {
        if (firstRow > lastRow || firstColumn > lastColumn) return;
        emit dataChanged(index(firstRow, firstColumn), index(lastRow, lastColumn));
    }

private:
    TEntryListView& view_;
};

// The list's cells drawn as usual. While the columns are sized, a cell's size is measured once
// per distinct text and icon in its column: the model gives a cell nothing else that its size
// could depend on, and the font and style stay as they are meanwhile.
class TEntryListDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (!measuring_) return QStyledItemDelegate::sizeHint(option, index);
        const QVariant decoration = index.data(Qt::DecorationRole);
        const qint64 icon =
            decoration.isValid() ? qint64(qvariant_cast<QIcon>(decoration).cacheKey()) : -1;
        const auto [at, fresh] =
            sizes_.try_emplace(std::make_tuple(index.column(), icon, index.data().toString()));
        if (fresh) at->second = QStyledItemDelegate::sizeHint(option, index);
        return at->second;
    }

    // Sizes measured while `measure` runs are kept until it ends.
    template <class F>
    void Measuring(F&& measure) {
        sizes_.clear();
        measuring_ = true;
        measure();
        measuring_ = false;
        sizes_.clear();
    }

private:
    bool measuring_ = false;
    mutable std::map<std::tuple<int, qint64, QString>, QSize> sizes_;
};

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

TEntryListView::TEntryListView(QWidget* parent)
    : QTableView(parent),
      model_(new TEntryListModel(*this)),
      delegate_(new TEntryListDelegate(this)) {
    setModel(model_);
    setItemDelegate(delegate_);
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
    model_->Reset([&] { captions_ = captions; });
}

void TEntryListView::SetSortChains(std::function<TSortChain(int column)> chains) {
    chains_ = std::move(chains);
}

void TEntryListView::SetFitToHeader(int column, bool fit) {
    auto at = std::find(fitToHeader_.begin(), fitToHeader_.end(), column);
    if (fit && at == fitToHeader_.end()) fitToHeader_.push_back(column);
    if (!fit && at != fitToHeader_.end()) fitToHeader_.erase(at);
}

void TEntryListView::SetRows(std::vector<TEntryListRow> rows, std::vector<QIcon> icons) {
    TBusyScope busy;
    setUpdatesEnabled(false);
    clearSelection();
    std::vector<size_t> order(rows.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    // Sorted once after filling, not on every row added.
    if (chains_) order = SortedRowOrder(rows, order, chains_(sortColumn_));
    icons.resize(rows.size());
    model_->Reset([&] {
        rows_ = std::move(rows);
        icons_ = std::move(icons);
        SetOrder(std::move(order));
    });
    SizeColumns();
    setUpdatesEnabled(true);
}

void TEntryListView::FillEntries(const TBankState& bank) {
    SetCaptions(EntryListCaptions());
    SetFitToHeader(elcFav);
    SetSortChains(EntrySortChain);
    SetRows(EntryListRows(bank));
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
    const int current = currentIndex().row();
    const bool hadCurrent = current >= 0 && size_t(current) < order_.size();
    const size_t currentRowOf = hadCurrent ? order_[size_t(current)] : 0;
    setUpdatesEnabled(false);
    SetOrder(SortedRowOrder(rows_, order_, chains_(column)));
    model_->CellsChanged(0, rowCount() - 1, 0, columnCount() - 1);
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
    if (display >= 0 && column < columnCount())
        model_->CellsChanged(display, display, column, column);
}

void TEntryListView::SetRowIcon(size_t row, const QIcon& icon) {
    if (row >= rows_.size()) return;
    icons_[row] = icon;
    const int display = DisplayRowOf(row);
    if (display >= 0) model_->CellsChanged(display, display, 0, 0);
}

void TEntryListView::SizeColumns() {
    delegate_->Measuring([&] { FitListColumns(*this, *horizontalHeader(), fitToHeader_); });
}

void TEntryListView::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
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
    QTableView::resizeEvent(event);
    SizeColumns();
}

void TEntryListView::changeEvent(QEvent* event) {
    QTableView::changeEvent(event);
    // A scaled font: rows as high as its lines, columns as wide as its texts.
    if (event->type() != QEvent::FontChange) return;
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    SizeColumns();
}
