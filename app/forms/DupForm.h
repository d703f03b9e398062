// The duplicate URLs dialog: one yellow group node per URL (or major domain) shared by several
// entries, a checkable child per entry; Delete removes the entries of the checked children.
#pragma once

#include <QDialog>
#include <memory>
#include <vector>

#include "BulkMaintenance.h"

class TVirtualStringTree;
namespace Ui {
class DupForm;
}

// The per-node record: the group (position in Groups()) and the entry (-1 on a group node).
struct TDupNodeData {
    int32_t Group = -1;
    int32_t EntryIndex = -1;
};

class TDupForm : public QDialog {
    Q_OBJECT
public:
    TDupForm(bool majorDomain, QWidget* parent = nullptr);
    ~TDupForm() override;
    Ui::DupForm& Form() { return *ui_; }
    const std::vector<TDuplicateGroup>& Groups() const { return groups_; }

    // The text of a cell: column 0 the URL (a group node's key), 1..4 the entry's name and
    // categories; empty otherwise.
    const std::string& CellText(const TDupNodeData& data, int column) const;
    // Entry indices of the checked children, ascending.
    std::vector<int> CheckedEntries() const;
    // The error when nothing is checked; the question when deletes are confirmed; the
    // removal, then OK.
    void DeleteButtonClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildTree();
    // Sizes the columns to their texts and captions within the list's width. The texts are
    // measured once per filling of the list; a resize only shares the list's width again.
    void FitColumns();
    // The width each column wants: its widest cell (as GetMaxColumnWidth finds it) or its
    // caption, whichever is wider; the table's widths for an empty list.
    std::vector<int> WantedWidths();
    // GetMaxColumnWidth of each column but the last, each distinct text of a column measured
    // once.
    std::vector<int> MaxColumnWidths();

    std::unique_ptr<Ui::DupForm> ui_;
    std::unique_ptr<TVirtualStringTree> tree_;
    std::vector<TDuplicateGroup> groups_;
    std::vector<int> wanted_;  // empty until measured
    bool fitting_ = false;     // the widths set resize the list
};
