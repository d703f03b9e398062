// Keyboard: the key table with the selection step after navigation, the check press by Space,
// incremental search with its timer, focus gain and loss, and sorting the whole tree.
#include "VirtualTrees.h"

#include "platform/ChildControls.h"
#include "platform/Codec.h"
#include "platform/Help.h"
#include "platform/KeyCodes.h"

#include <algorithm>

// --- Beep ------------------------------------------------------------------------------------

namespace {
std::function<void()>& BeepHandler() {
    static std::function<void()> handler;
    return handler;
}
int& BeepCounter() {
    static int count = 0;
    return count;
}
}  // namespace

void SetTreeBeepHandler(std::function<void()> handler) {
    BeepHandler() = std::move(handler);
}

int TreeBeepCount() {
    return BeepCounter();
}

void TreeBeep() {
    ++BeepCounter();
    if (BeepHandler()) BeepHandler()();
}

// --- Key down --------------------------------------------------------------------------------

namespace {
bool IsNavigationKey(uint16_t key) {
    switch (key) {
        case VK_BACK:
        case VK_TAB:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_END:
        case VK_HOME:
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
            return true;
        default:
            return false;
    }
}
}  // namespace

TColumnIndex TBaseVirtualTree::FindFocusableColumn(PVirtualNode node, TColumnIndex from,
                                                   bool forward, bool includeFrom) {
    if (!Header().UseColumns()) return NoColumn;
    const std::vector<TColumnIndex> shown = Header().Columns().GetVisibleColumns();
    if (shown.empty()) return InvalidColumn;
    auto at = std::find(shown.begin(), shown.end(), from);
    long i;
    if (at == shown.end())
        i = forward ? 0 : long(shown.size()) - 1;
    else
        i = long(at - shown.begin()) + (includeFrom ? 0 : (forward ? 1 : -1));
    for (; i >= 0 && i < long(shown.size()); i += forward ? 1 : -1)
        if (DoFocusChanging(focusedNode_, node, focusedColumn_, shown[size_t(i)]))
            return shown[size_t(i)];
    return InvalidColumn;
}

void TBaseVirtualTree::KeyDown(uint16_t& key, TShiftState shift) {
    // A key press hides the hint, as any hint of the application goes with one.
    CancelHint();
    TCustomControl::KeyDown(key, shift);
    if (key == 0) return;
    uint16_t code = key;
    TShiftState keys = shift & (ssShift | ssAlt | ssCtrl);
    if (!DoKeyAction(code, keys)) return;
    // Alt combinations are the menus' (mnemonics); the tree leaves them alone.
    if (keys & ssAlt) return;
    const bool used = IsNavigationKey(code) ? NavigationKey(code, keys) : OtherKey(code, keys);
    if (used) key = 0;
}

struct TBaseVirtualTree::KeyNavigation {
    uint16_t code;
    TShiftState keys;
    bool ctrl;
    bool multiStep;    // Shift with multiselection, outside an edit
    bool rangeSelect;  // select from the last focused node to the new one
    bool grid;
    bool extendedFocus;
    bool clearPending;
    PVirtualNode before;       // the focused node when the key came
    PVirtualNode lastFocused;  // the same, or the first shown node for a modified key
};

bool TBaseVirtualTree::NavigationKey(uint16_t code, TShiftState keys) {
    const TCustomVirtualTreeOptions& options = TreeOptions();
    const TVTSelectionOptions selection = options.SelectionOptions();
    KeyNavigation k{};
    k.code = code;
    k.keys = keys;
    k.ctrl = keys & ssCtrl;
    k.multiStep = (keys & ssShift) && selection.Contains(toMultiSelect) && !IsEditing();
    k.rangeSelect =
        (code == VK_PRIOR || code == VK_NEXT || code == VK_END || code == VK_HOME) && k.multiStep;
    k.grid = options.MiscOptions().Contains(toGridExtensions);
    k.extendedFocus = selection.Contains(toExtendedFocus);
    k.clearPending = keys == 0 || (k.grid && !(keys & ssShift)) ||
                     !selection.Contains(toMultiSelect) || code == VK_TAB || code == VK_BACK;
    k.before = focusedNode_;
    k.lastFocused = focusedNode_;
    if (!k.lastFocused && keys != 0) k.lastFocused = GetFirstVisible();
    if (!rangeAnchor_) rangeAnchor_ = GetFirstSelected();

    KeyMove move = KeyMove::Moved;
    switch (code) {
        case VK_BACK:
            if (focusedNode_ && focusedNode_->Parent != Root())
                SetFocusedNode(focusedNode_->Parent);
            break;
        case VK_TAB:
            move = TabKey(k);
            break;
        case VK_PRIOR:
        case VK_NEXT:
            move = PageKey(k);
            break;
        case VK_HOME:
        case VK_END:
            move = HomeEndKey(k);
            break;
        case VK_LEFT:
        case VK_RIGHT:
            move = LeftRightKey(k);
            break;
        case VK_UP:
        case VK_DOWN:
            move = UpDownKey(k);
            break;
        default:
            break;
    }
    if (move == KeyMove::Refused) return false;
    if (move == KeyMove::Moved) SelectAfterNavigation(k);
    return true;
}

TBaseVirtualTree::KeyMove TBaseVirtualTree::TabKey(const KeyNavigation& k) {
    if (!k.extendedFocus || !Header().UseColumns()) return KeyMove::Refused;
    const bool forward = !(k.keys & ssShift);
    PVirtualNode node = focusedNode_ ? focusedNode_ : GetFirstVisible();
    TColumnIndex column = FindFocusableColumn(node, focusedColumn_, forward, false);
    while (node && column <= InvalidColumn) {
        node = forward ? GetNextVisible(node) : GetPreviousVisible(node);
        if (node) column = FindFocusableColumn(node, InvalidColumn, forward, true);
    }
    if (node) {
        focusedColumn_ = column;
        SetFocusedNode(node);
        if (focusedNode_) InvalidateNode(focusedNode_);
    }
    return KeyMove::Moved;
}

TBaseVirtualTree::KeyMove TBaseVirtualTree::PageKey(const KeyNavigation& k) {
    const bool up = k.code == VK_PRIOR;
    if (k.ctrl) {
        SetOffsetY(OffsetY() + (up ? ClientHeight() : -ClientHeight()));
        return KeyMove::Scrolled;
    }
    PVirtualNode node = focusedNode_;
    if (!node) {
        node = up ? GetFirstVisible() : GetLastVisible();
    } else {
        int sum = 0;
        while (sum < ClientHeight()) {
            PVirtualNode next = up ? GetPreviousVisible(node) : GetNextVisible(node);
            if (!next) break;
            node = next;
            sum += int(node->NodeHeight);
        }
    }
    if (node) SetFocusedNode(node);
    return KeyMove::Moved;
}

TBaseVirtualTree::KeyMove TBaseVirtualTree::HomeEndKey(const KeyNavigation& k) {
    const bool home = k.code == VK_HOME;
    PVirtualNode node = home ? GetFirstVisible() : GetLastVisible();
    TColumnIndex column = NoColumn;
    if (Header().UseColumns()) {
        column = FindFocusableColumn(node, InvalidColumn, home, true);
        if (column <= InvalidColumn) return KeyMove::UsedOnly;
    }
    if (k.keys == ssCtrl && !k.grid) {
        if (node) ScrollIntoView(node, false);
        SetOffsetX(home ? 0 : -2147483647);
        return KeyMove::Scrolled;
    }
    if (node && (!k.grid || k.ctrl)) SetFocusedNode(node);
    if (k.grid && !TreeOptions().SelectionOptions().Contains(toFullRowSelect) && column > NoColumn)
        SetFocusedColumn(column);
    return KeyMove::Moved;
}

TBaseVirtualTree::KeyMove TBaseVirtualTree::LeftRightKey(KeyNavigation& k) {
    const bool left = k.code == VK_LEFT;
    if (k.ctrl) {
        SetOffsetX(OffsetX() + (left ? int(indent_) : -int(indent_)));
        return KeyMove::Scrolled;
    }
    if (k.extendedFocus && k.grid) {
        const TColumnIndex column = FindFocusableColumn(focusedNode_, focusedColumn_, !left, false);
        if (column > InvalidColumn) SetFocusedColumn(column);
        return KeyMove::Moved;
    }
    PVirtualNode node = focusedNode_;
    if (!node) {
        if (PVirtualNode first = GetFirstVisible()) SetFocusedNode(first);
        return KeyMove::Moved;
    }
    const bool expanded = HasState(node, vsExpanded);
    const bool children = HasState(node, vsHasChildren);
    if (left) {
        if (expanded && children && k.keys == 0) {
            ToggleNode(node);
        } else if (node->Parent != Root()) {
            if (k.multiStep) {
                if (node->PrevSibling == nullptr && rangeAnchor_ &&
                    CompareNodePositions(node->Parent, rangeAnchor_) > 0)
                    RemoveFromSelection(node);
                else
                    k.rangeSelect = true;
            }
            SetFocusedNode(node->Parent);
        }
    } else {
        if (!expanded && children && k.keys == 0) {
            ToggleNode(node);
        } else if (PVirtualNode child = GetFirstVisibleChild(node)) {
            if (k.multiStep && rangeAnchor_ && CompareNodePositions(child, rangeAnchor_) < 0)
                RemoveFromSelection(node);
            SetFocusedNode(child);
        }
    }
    return KeyMove::Moved;
}

TBaseVirtualTree::KeyMove TBaseVirtualTree::UpDownKey(const KeyNavigation& k) {
    const bool up = k.code == VK_UP;
    if (k.ctrl) {
        SetOffsetY(OffsetY() + (up ? 1 : -1) * int(DefaultNodeHeight()));
        return KeyMove::Scrolled;
    }
    PVirtualNode node = focusedNode_
                            ? (up ? GetPreviousVisible(focusedNode_) : GetNextVisible(focusedNode_))
                            : (up ? GetLastVisible() : GetFirstVisible());
    if (node) {
        if (IsEditing()) EndEditNode();
        if (k.multiStep && focusedNode_ && k.lastFocused && rangeAnchor_) {
            const int order = CompareNodePositions(k.lastFocused, rangeAnchor_);
            if (up ? order > 0 : order < 0) RemoveFromSelection(focusedNode_);
        }
        if (focusedColumn_ < 0) focusedColumn_ = Header().MainColumn();
        SetFocusedNode(node);
    } else if (focusedNode_) {
        InvalidateNode(focusedNode_);
    }
    return KeyMove::Moved;
}

void TBaseVirtualTree::SelectAfterNavigation(const KeyNavigation& k) {
    if (k.clearPending) {
        if (focusedNode_ != k.before || selectionCount_ > 1)
            ClearSelection();
        else
            InternalClearSelection();
    }
    if (k.keys == 0) {
        rangeAnchor_ = focusedNode_;
        selectionLevel_ = focusedNode_ ? int(GetNodeLevel(focusedNode_)) : -1;
    }
    if (k.rangeSelect && k.lastFocused && focusedNode_)
        SelectNodes(k.lastFocused, focusedNode_, true);
    if (focusedNode_) {
        if (focusedNode_ == k.lastFocused)
            InternalAddToSelection({focusedNode_}, false);
        else
            AddToSelection(focusedNode_);
    }
    if (k.rangeSelect || selectionCount_ > 1) Invalidate();
}

bool TBaseVirtualTree::OtherKey(uint16_t code, TShiftState keys) {
    const TCustomVirtualTreeOptions& options = TreeOptions();
    const bool ctrl = keys & ssCtrl;
    const bool shift = keys & ssShift;
    switch (code) {
        case VK_ESCAPE:
            if (states_.Contains(tsCheckPressPending)) {
                EndCheckPress();
                return true;
            }
            if (states_.Contains(tsDrawSelecting) || states_.Contains(tsDrawSelectionPending)) {
                states_.Exclude(tsDrawSelecting);
                states_.Exclude(tsDrawSelectionPending);
                Invalidate();
                return true;
            }
            if (IsEditing() || states_.Contains(tsEditPending)) return CancelEditNode() || true;
            return false;
        case VK_SPACE: {
            if (!options.MiscOptions().Contains(toCheckSupport)) break;
            PVirtualNode node = focusedNode_;
            if (!node) return false;
            if (node->CheckType == ctNone) break;
            BeginCheckPress(node);
            return true;
        }
        case 'A':
            if (ctrl) {
                if (!options.SelectionOptions().Contains(toMultiSelect)) return false;
                SelectAll(true);
                return true;
            }
            break;
        case VK_MULTIPLY:
            if (!focusedNode_) return false;
            FullExpand(focusedNode_);
            return true;
        case VK_DIVIDE:
            if (!focusedNode_) return false;
            FullCollapse(focusedNode_);
            return true;
        case VK_ADD:
        case VK_OEM_PLUS:
        case VK_SUBTRACT:
        case VK_OEM_MINUS: {
            const bool plus = code == VK_ADD || code == VK_OEM_PLUS;
            if (ctrl && shift) {
                plus ? FullExpand() : FullCollapse();
                return true;
            }
            if (ctrl) {
                if (!Header().UseColumns()) return false;
                plus ? Header().AutoFitColumns() : Header().RestoreColumns();
                return true;
            }
            if (!focusedNode_ || !HasState(focusedNode_, vsHasChildren)) return false;
            if (plus == HasState(focusedNode_, vsExpanded)) return false;
            ToggleNode(focusedNode_);
            return true;
        }
        case VK_F1: {
            // The help context of the focused node, else of its parents, else the control's
            // own or its parent controls', shown by the application's help.
            if (!OnGetHelpContext) return false;
            int context = 0;
            for (PVirtualNode node = focusedNode_; node && node != Root() && context == 0;
                 node = node->Parent)
                DoGetHelpContext(node, focusedColumn_, context);
            for (const TCustomControl* control = this; control && context == 0;
                 control = ParentControl(*control))
                context = control->HelpContext();
            return ShowHelpContext(context);
        }
        case VK_F2:
            if (keys != 0 || !focusedNode_ || !CanEdit(focusedNode_, focusedColumn_)) return false;
            editColumn_ = focusedColumn_;
            DoEdit();
            return true;
        case VK_APPS: {
            if (!focusedNode_) return false;
            TRect r = GetDisplayRect(focusedNode_, focusedColumn_, true);
            int limit = ClientWidth();
            int left = 0, right = 0;
            if (Header().GetColumnBounds(focusedColumn_, left, right)) limit = right - left;
            const TPoint p{r.Left + std::min(r.Width() / 2, limit), (r.Top + r.Bottom) / 2};
            DoPopupMenu(focusedNode_, focusedColumn_, p);
            return true;
        }
        default:
            break;
    }
    // A printable key may start or continue a search in the character step that follows.
    if (code >= 32 && !ctrl) SetTreeState(tsSearchPending);
    return false;
}

// --- Key up, character, focus ----------------------------------------------------------------

void TBaseVirtualTree::EndCheckPress() {
    PVirtualNode node = checkNode_;
    SetTreeState(tsCheckPressPending, false);
    checkNode_ = nullptr;
    if (node) RepaintNode(node);
}

void TBaseVirtualTree::KeyUp(uint16_t& key, TShiftState shift) {
    TCustomControl::KeyUp(key, shift);
    if (key != VK_SPACE || !states_.Contains(tsCheckPressPending)) return;
    PVirtualNode node = checkNode_;
    const TCheckState state = pendingCheckState_;
    EndCheckPress();
    if (node && node == focusedNode_) DoCheckClick(node, state);
    key = 0;
}

void TBaseVirtualTree::KeyPress(char& key) {
    bool used = false;
    if (states_.Contains(tsSearchPending)) {
        SetTreeState(tsSearchPending, false);
        used = IncrementalSearchStep(AnsiCharToUnicode(static_cast<unsigned char>(key)));
    }
    TCustomControl::KeyPress(key);
    if (used) key = 0;
}

void TBaseVirtualTree::UnicodeKeyPress(char32_t& key) {
    bool used = false;
    if (states_.Contains(tsSearchPending)) {
        SetTreeState(tsSearchPending, false);
        used = IncrementalSearchStep(key);
    }
    TCustomControl::UnicodeKeyPress(key);
    if (used) key = 0;
}

void TBaseVirtualTree::DoEnter() {
    TCustomControl::DoEnter();
    RepaintForFocus();
}

void TBaseVirtualTree::DoExit() {
    TCustomControl::DoExit();
    StopWheelPanning();
    for (int id :
         {int(ExpandTimer), int(EditTimer), int(HeaderTimer), int(ScrollTimer), int(SearchTimer)})
        KillTimer(id);
    for (TVirtualTreeState s :
         {tsEditPending, tsScrollPending, tsScrolling, tsWheelPanning, tsWheelPanningByClick})
        states_.Exclude(s);
    // A check press does not survive the focus going elsewhere.
    if (states_.Contains(tsCheckPressPending)) EndCheckPress();
    RepaintForFocus();
}

void TBaseVirtualTree::RepaintForFocus() {
    if (!HandleAllocated()) return;
    if (selectionCount_ == 0 && focusedNode_)
        InvalidateNode(focusedNode_);
    else
        Invalidate();
}

// --- Incremental search ----------------------------------------------------------------------

bool TBaseVirtualTree::IncrementalSearchStep(char32_t ch) {
    KillTimer(SearchTimer);
    if (incrementalSearch_ == isNone) return false;
    if (ch != 0) {
        SetTreeState(tsSearching);
        PVirtualNode start = searchStart_ == ssLastHit       ? lastSearchNode_
                             : searchStart_ == ssFocusedNode ? focusedNode_
                                                             : nullptr;
        if (start && incrementalSearch_ == isInitializedOnly && !HasState(start, vsInitialized))
            start = nullptr;
        if (start && incrementalSearch_ == isVisibleOnly && !FullyVisible(start)) start = nullptr;
        const bool forward = searchDirection_ == sdForward;
        auto first = [&]() -> PVirtualNode {
            switch (incrementalSearch_) {
                case isVisibleOnly:
                    return forward ? GetFirstVisible() : GetLastVisible();
                case isInitializedOnly: {
                    PVirtualNode n = forward ? GetFirstNoInit() : GetLastNoInit();
                    while (n && !HasState(n, vsInitialized))
                        n = forward ? GetNextNoInit(n) : GetPreviousNoInit(n);
                    return n;
                }
                default:
                    return forward ? GetFirst() : GetLast();
            }
        };
        auto step = [&](PVirtualNode n) -> PVirtualNode {
            switch (incrementalSearch_) {
                case isVisibleOnly:
                    return forward ? GetNextVisible(n) : GetPreviousVisible(n);
                case isInitializedOnly:
                    do n = forward ? GetNextNoInit(n) : GetPreviousNoInit(n);
                    while (n && !HasState(n, vsInitialized));
                    return n;
                default:
                    return forward ? GetNext(n) : GetPrevious(n);
            }
        };
        // The character as UTF-16 (a pair of units beyond the basic plane).
        std::string utf8;
        AppendUtf8CodePoint(utf8, ch);
        const std::u16string typed = Utf8ToUtf16(utf8);
        const bool sameChar = searchBuffer_ == typed;
        const std::u16string text = sameChar ? searchBuffer_ : searchBuffer_ + typed;
        PVirtualNode run = start;
        if (!run) {
            run = first();
        } else if (searchBuffer_.empty() || sameChar) {
            run = step(run);
            if (!run) run = first();
        }
        PVirtualNode found = nullptr, last = run;
        while (run) {
            if (DoIncrementalSearch(run, text) == 0) {
                found = run;
                break;
            }
            last = run;
            PVirtualNode next = step(run);
            if (!next) {
                if (!start) break;  // starting over never wraps
                next = first();
            }
            if (next == start || next == run) {
                last = next;
                break;
            }
            run = next;
        }
        if (!found && last && last != run && DoIncrementalSearch(last, text) == 0) found = last;
        if (found) {
            ClearSelection();
            searchBuffer_ = text;
            lastSearchNode_ = found;
            SetFocusedNode(found);
            AddToSelection(found);
        } else {
            TreeBeep();
        }
    }
    SetTimer(SearchTimer, searchTimeout_);
    return true;
}

void TBaseVirtualTree::SearchTimerFired() {
    states_.Exclude(tsSearching);
    KillTimer(SearchTimer);
    searchBuffer_.clear();
    lastSearchNode_ = nullptr;
}

// --- Sorting the whole tree ------------------------------------------------------------------

void TBaseVirtualTree::SortTree(TColumnIndex column, TSortDirection direction, bool doInit) {
    if (column < NoColumn) return;
    // The count is raised directly: sorting fires no update events.
    ++updateCount_;
    try {
        std::vector<PVirtualNode> pending{Root()};
        while (!pending.empty()) {
            PVirtualNode node = pending.back();
            pending.pop_back();
            Sort(node, column, direction, doInit);
            for (PVirtualNode child = node->LastChild; child; child = child->PrevSibling) {
                if (!HasState(child, vsInitialized)) {
                    if (!doInit) continue;
                    InitNode(child);
                }
                if (HasState(child, vsHasChildren)) pending.push_back(child);
            }
        }
    } catch (...) {
        if (updateCount_ > 0) --updateCount_;
        throw;
    }
    if (updateCount_ > 0) --updateCount_;
    if (updateCount_ == 0) {
        InvalidateCache();
        ValidateCache();
        RepaintIfNoUpdate();
    }
}
