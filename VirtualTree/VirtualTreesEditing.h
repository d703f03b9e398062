// In-place editing of the string tree: the edit link that places a single-line editor over a
// cell and writes the result back through OnNewText, and the editor itself.
#pragma once

#include "VirtualTrees.h"

#include "platform/EditControl.h"

#include <memory>

class TCustomVirtualStringTree;
class TStringEditLink;

// The editor: Enter ends the edit, Escape goes to the tree (which cancels), Up and Down move
// the caret like Left and Right; Tab and Escape characters are swallowed. While typing it
// widens or narrows to its text (not with toGridExtensions).
class TVTEdit : public TEditControl {
public:
    TVTEdit(TStringEditLink& link, TCustomControl& parent);
    // An editor destroyed while its edit is still open keeps a modified text with
    // toAutoAcceptEditChange.
    ~TVTEdit() override;
    // The width the text needs: its width in the editor's font plus 2 x TextMargin.
    int TextExtent() const;

protected:
    void KeyDown(uint16_t& key, TShiftState shift) override;
    void KeyPress(char& key) override;
    bool WantKey(uint16_t key, TShiftState shift) override;
    void Change() override;
    void FocusLost(bool toParent) override;

private:
    friend class TStringEditLink;
    void AutoAdjustSize();
    TStringEditLink* link_;
};

class TStringEditLink : public IVTEditLink {
public:
    TStringEditLink();
    ~TStringEditLink() override;

    bool BeginEdit() override;
    bool CancelEdit() override;
    bool EndEdit() override;
    bool PrepareEdit(TBaseVirtualTree* tree, PVirtualNode node, TColumnIndex column) override;
    TRect GetBounds() override;
    void ProcessMessage(const TEditMessage& message) override;
    // Places the editor: not left of 0, at least 30 pixels wide (grown to the left for
    // right-aligned text), not past the tree's client width; the text sits where the cell
    // shows it. An editor whose text was changed keeps the width of its text.
    void SetBounds(const TRect& r) override;

    TVTEdit* Edit() const { return edit_.get(); }
    TCustomVirtualStringTree* Tree() const { return tree_; }
    PVirtualNode Node() const { return node_; }
    TColumnIndex Column() const { return column_; }
    TAlignment Alignment() const { return alignment_; }
    TRect TextBounds() const { return textBounds_; }
    bool Stopping() const { return stopping_; }

    // The smallest editor width.
    static constexpr int MinimumWidth = 30;
    // The bounds rule of SetBounds for a given client width.
    static TRect LimitBounds(TRect r, TAlignment alignment, int clientWidth);

private:
    friend class TVTEdit;
    // The text goes back to the tree (OnNewText).
    void WriteBack(const std::string& text);
    std::unique_ptr<TVTEdit> edit_;
    TCustomVirtualStringTree* tree_ = nullptr;
    PVirtualNode node_ = nullptr;
    TColumnIndex column_ = NoColumn;
    TAlignment alignment_ = taLeftJustify;
    TRect textBounds_;
    int textShift_ = 0;  // the text's top below the top of the bounds the tree gives
    bool stopping_ = false;
    bool preparing_ = false;  // the editor takes the cell's text: no resizing yet
};
