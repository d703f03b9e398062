// The entry-selection list the dialogs share: a report list with grid lines, whole-row
// multi-selection that stays visible without the focus, Ctrl+A, and sorting on a header click
// through a fixed chain of tie-break columns (a stable sort of our own, not the view's).
// Every row remembers what it stands for: callers read selectedIndices() (entry indices) or
// SelectedRows() (positions in Rows()), whatever the order shown. No item exists per cell: the
// view's model serves each cell's text, icon and row from the rows and the order shown.
#pragma once

#include <QIcon>
#include <QTableView>
#include <QTreeView>
#include <functional>
#include <string>
#include <vector>

#include "EntryList.h"

struct TBankState;
class TEntryListModel;
class TEntryListDelegate;

class TEntryListView : public QTableView {
    Q_OBJECT
public:
    explicit TEntryListView(QWidget* parent = nullptr);

    // Rows shown and columns (the captions given).
    int rowCount() const { return int(order_.size()); }
    int columnCount() const { return int(captions_.size()); }

    // The column captions (Windows-1252); the rows' texts follow them in this order.
    void SetCaptions(const std::vector<std::string>& captions);
    // How a header click orders the rows. Empty: header clicks do nothing and rows keep the
    // order they were given in.
    void SetSortChains(std::function<TSortChain(int column)> chains);
    // Columns sized to their caption rather than to their contents ("Fav").
    void SetFitToHeader(int column, bool fit = true);

    // Shows the rows, with their icons in the first column (one per row; missing ones empty):
    // in the order given, then sorted once by the sort column when sorting is on. The selection
    // is emptied. Columns are sized afterwards.
    void SetRows(std::vector<TEntryListRow> rows, std::vector<QIcon> icons = {});
    // The entry list of a bank: "Name", "Fav", "Category 1" to "Category 3", one row per
    // entry (workgroup entries for administrators only), the entry sort chains, sorted by the
    // sort column (Name at first).
    void FillEntries(const TBankState& bank);

    // The column the rows are sorted by (the last clicked; 0 at creation).
    int SortColumn() const { return sortColumn_; }
    // Sorts by a column as a header click does; the selection and the current row stay.
    void SortBy(int column);

    const std::vector<TEntryListRow>& Rows() const { return rows_; }
    // Positions in Rows() of the row shown at a display row, and back.
    size_t RowAt(int displayRow) const { return order_.at(size_t(displayRow)); }
    int DisplayRowOf(size_t row) const;
    // Positions in Rows() of the selected rows, in the order shown.
    std::vector<size_t> SelectedRows() const;
    // Entry indices of the selected rows, ascending, without repeats.
    std::vector<int> selectedIndices() const;
    // Selects rows by their position in Rows() (adding to the selection).
    void SelectRows(const std::vector<size_t>& rows);

    // Changes what a row shows; the text stays with the row when it is sorted.
    void SetRowText(size_t row, int column, const std::string& text);
    void SetRowIcon(size_t row, const QIcon& icon);

    // Sizes every visible column to its contents and caption, the fitted ones to the caption,
    // within the list's width (FitColumnWidths). Also whenever the list's size or font changes.
    // The view measures its cells as ever; each distinct text and icon of a column only once.
    void SizeColumns();

signals:
    // After a sort by a header click or SortBy.
    void sorted(int column);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class TEntryListModel;
    void SetOrder(std::vector<size_t> order);

    TEntryListModel* model_;
    TEntryListDelegate* delegate_;
    std::vector<std::string> captions_;
    std::vector<TEntryListRow> rows_;
    std::vector<size_t> order_;   // display row -> row
    std::vector<int> displayOf_;  // row -> display row
    std::vector<QIcon> icons_;
    std::vector<int> fitToHeader_;
    std::function<TSortChain(int)> chains_;
    int sortColumn_ = 0;
};

// Sizes the visible columns of a list to their texts and captions within its width
// (FitColumnWidths); the `captionOnly` ones to their caption.
void FitListColumns(QAbstractItemView& view, QHeaderView& header,
                    const std::vector<int>& captionOnly = {});
// Keeps a tree-style list's columns fitted whenever its size or font changes.
void KeepListColumnsFitted(QTreeView& view);
