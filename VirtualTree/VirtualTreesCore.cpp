// Tree object: construction and destruction, options, properties, the update lock and Clear.
#include "VirtualTrees.h"

#include "VirtualTreesClipboard.h"
#include "VirtualTreesDrawing.h"
#include "VirtualTreesWorker.h"

#include <algorithm>
#include <cstring>
#include <utility>

// --- Options ---------------------------------------------------------------------------------

void TCustomVirtualTreeOptions::SetPaintOptions(TVTPaintOptions value) {
    if (value == paint_) return;
    TVTPaintOptions before = paint_;
    paint_ = value;
    if (owner_) owner_->ChangedOptions(&before, nullptr);
}

void TCustomVirtualTreeOptions::SetAutoOptions(TVTAutoOptions value) {
    if (value == auto_) return;
    bool spanToggled = value.Contains(toAutoSpanColumns) != auto_.Contains(toAutoSpanColumns);
    auto_ = value;
    if (owner_ && spanToggled) owner_->RepaintIfNoUpdate();
}

void TCustomVirtualTreeOptions::SetSelectionOptions(TVTSelectionOptions value) {
    if (value == selection_) return;
    TVTSelectionOptions before = selection_;
    selection_ = value;
    if (owner_) owner_->SelectionOptionsChanged(before, value);
}

void TCustomVirtualTreeOptions::SetMiscOptions(TVTMiscOptions value) {
    if (value == misc_) return;
    TVTMiscOptions before = misc_;
    misc_ = value;
    if (owner_) owner_->ChangedOptions(nullptr, &before);
}

void TCustomVirtualTreeOptions::Assign(const TCustomVirtualTreeOptions& source) {
    SetPaintOptions(source.paint_);
    SetAnimationOptions(source.animation_);
    SetAutoOptions(source.auto_);
    SetSelectionOptions(source.selection_);
    SetMiscOptions(source.misc_);
}

void TCustomStringTreeOptions::SetStringOptions(TVTStringOptions value) {
    if (value == string_) return;
    bool staticToggled = value.Contains(toShowStaticText) != string_.Contains(toShowStaticText);
    string_ = value;
    if (Owner() && staticToggled) Owner()->RepaintIfNoUpdate();
}

void TCustomStringTreeOptions::Assign(const TCustomVirtualTreeOptions& source) {
    if (auto* strings = dynamic_cast<const TCustomStringTreeOptions*>(&source))
        SetStringOptions(strings->StringOptions());
    TCustomVirtualTreeOptions::Assign(source);
}

void TBaseVirtualTree::ChangedOptions(const TVTPaintOptions* paintBefore,
                                      const TVTMiscOptions* miscBefore) {
    if (!HandleAllocated() || loading_) return;
    const TCustomVirtualTreeOptions& o = TreeOptions();
    if (paintBefore) {
        if (paintBefore->Contains(toThemeAware) != o.PaintOptions().Contains(toThemeAware))
            StyleChanged();
        else
            Invalidate();
    }
    if (miscBefore) {
        if (miscBefore->Contains(toCheckSupport) != o.MiscOptions().Contains(toCheckSupport))
            Invalidate();
        if (miscBefore->Contains(toFullRepaintOnResize) !=
            o.MiscOptions().Contains(toFullRepaintOnResize))
            Invalidate();
        if (miscBefore->Contains(toAcceptOLEDrop) != o.MiscOptions().Contains(toAcceptOLEDrop))
            UpdateDropRegistration();
    }
}

void TBaseVirtualTree::SelectionOptionsChanged(TVTSelectionOptions before,
                                               TVTSelectionOptions after) {
    bool clear =
        before.Contains(toMultiSelect) != after.Contains(toMultiSelect) ||
        (!before.Contains(toLevelSelectConstraint) && after.Contains(toLevelSelectConstraint)) ||
        (!before.Contains(toSiblingSelectConstraint) && after.Contains(toSiblingSelectConstraint));
    if (clear) ClearSelection();
    // The focus column follows the main column without asking anyone: no focus events here.
    if (!after.Contains(toExtendedFocus)) {
        bool repaint = before.Contains(toExtendedFocus) && focusedColumn_ >= 1 && HandleAllocated();
        focusedColumn_ = Header().MainColumn();
        if (repaint) Invalidate();
    }
}

// --- Colours, scroll-bar options, clipboard formats ------------------------------------------

TVTColors::TVTColors(TBaseVirtualTree* owner) : owner_(owner) {
    const TColor defaults[Count] = {
        clBtnShadow, clHighlight,  clHighlight, clHighlight, clBtnFace,   clBtnShadow, clBtnFace,
        clBtnFace,   clWindowText, clHighlight, clBtnFace,   clHighlight, clHighlight, clHighlight};
    std::copy(std::begin(defaults), std::end(defaults), colors_);
}

void TVTColors::SetColor(Index index, TColor value) {
    if (index < 0 || index >= Count || colors_[index] == value) return;
    colors_[index] = value;
    if (owner_ && owner_->HandleAllocated() && !owner_->loading_) owner_->Invalidate();
}

void TVTColors::Assign(const TVTColors& source) {
    std::copy(std::begin(source.colors_), std::end(source.colors_), colors_);
    if (owner_ && owner_->updateCount_ == 0) owner_->Invalidate();
}

void TScrollBarOptions::SetAlwaysVisible(bool value) {
    if (value == alwaysVisible_) return;
    alwaysVisible_ = value;
    if (owner_ && owner_->HandleAllocated() && !owner_->loading_) owner_->UpdateScrollBars(true);
}

void TScrollBarOptions::SetScrollBars(TScrollStyle value) {
    if (value == scrollBars_) return;
    scrollBars_ = value;
    if (owner_ && owner_->HandleAllocated() && !owner_->loading_) owner_->UpdateScrollBars(true);
}

void TScrollBarOptions::SetScrollBarStyle(TScrollBarStyle value) {
    VT_ASSERT(value == sbmRegular,
              "Flat scrollbars styles are disabled. Enable UseFlatScrollbars in VirtualTrees "
              "forflat scrollbar support.");
    style_ = value;
}

void TScrollBarOptions::Assign(const TScrollBarOptions& source) {
    SetAlwaysVisible(source.alwaysVisible_);
    SetScrollBars(source.scrollBars_);
    SetScrollBarStyle(source.style_);
    horizontalIncrement_ = source.horizontalIncrement_;
    verticalIncrement_ = source.verticalIncrement_;
}

int TClipboardFormats::Add(const std::string& name) {
    if (!owner_ || !owner_->AcceptsClipboardFormat(name)) return -1;
    return TStringList::Add(name);
}

void TClipboardFormats::Insert(int index, const std::string& name) {
    if (owner_ && owner_->AcceptsClipboardFormat(name)) TStringList::Insert(index, name);
}

bool TBaseVirtualTree::AcceptsClipboardFormat(const std::string& name) const {
    return ClassOffersClipboardFormat(BaseVirtualTreeClass, name);
}

void TBaseVirtualTree::SetClipboardFormats(const TStrings& names) {
    clipboardFormats_->Clear();
    for (int i = 0; i < names.Count(); ++i) clipboardFormats_->Add(names.Get(i));
}

// --- Construction and destruction ------------------------------------------------------------

TBaseVirtualTree::TBaseVirtualTree(TComponent* owner) : TCustomControl(owner) {
    InitializeTreeLibrary();
    checkImages_ = CheckImagesFor(checkImageKind_);
    SetBounds(0, 0, 200, 100);
    SetTabStop(true);
    SetColor(clWindow);
    SetBorderStyle(bsSingle);
    SetOpaque(true);
    colors_ = std::make_unique<TVTColors>(this);
    scrollBarOptions_ = std::make_unique<TScrollBarOptions>(this);
    clipboardFormats_ = std::make_unique<TClipboardFormats>(this);
    clipboardFormats_->SetSorted(true);
    auto repaint = [this](TChangeLink*) { RepaintIfNoUpdate(); };
    imagesLink_.OnChange = repaint;
    stateImagesLink_.OnChange = repaint;
    customCheckImagesLink_.OnChange = repaint;
    imagesLink_.OnRemove = repaint;
    stateImagesLink_.OnRemove = repaint;
    customCheckImagesLink_.OnRemove = [this](TChangeLink*) {
        checkImageKind_ = ckLightCheck;
        checkImages_ = CheckImagesFor(ckLightCheck);
        RepaintIfNoUpdate();
    };
    background_.OnChange = [this](TPicture*) { RepaintIfNoUpdate(); };
    TVirtualTreeWorker::AddReference();
}

TBaseVirtualTree::~TBaseVirtualTree() {
    // Nodes go first, while everything their deletion may read is still there; the lock keeps
    // the deletion from validating, scrolling and repainting node by node.
    InterruptValidation();
    try {
        CancelEditNode();
    } catch (...) {
    }
    CancelHint();
    destroying_ = true;
    ++updateCount_;
    try {
        Clear();
    } catch (...) {
    }
    InterruptValidation();
    TVirtualTreeWorker::ReleaseReference();
    for (int id = ExpandTimer; id <= SearchTimer; ++id) KillTimer(id);
    header_.reset();
    options_.reset();
}

std::unique_ptr<TCustomVirtualTreeOptions> TBaseVirtualTree::CreateOptions() {
    return std::make_unique<TCustomVirtualTreeOptions>(this);
}

std::unique_ptr<TVTHeader> TBaseVirtualTree::CreateHeader() {
    return std::make_unique<TVTHeader>(this);
}

TCustomVirtualTreeOptions& TBaseVirtualTree::TreeOptions() {
    // Made at first use so a descendant's own options class is the one created.
    if (!options_) options_ = CreateOptions();
    return *options_;
}

TVTHeader& TBaseVirtualTree::Header() {
    if (!header_) header_ = CreateHeader();
    return *header_;
}

void TBaseVirtualTree::CreateWnd() {
    SetTreeState(tsWindowCreating);
    if (TreeOptions().PaintOptions().Contains(toThemeAware)) SetTreeState(tsUseThemes);
    SetTreeState(tsWindowCreating, false);
    SetHeaderStripHeight(Header().VisibleHeight());
    UpdateScrollBars(true);
    Header().RecalculateHeader();
    UpdateDropRegistration();
    PrepareLinePattern();
}

void TBaseVirtualTree::Loaded() {
    loading_ = false;
    if (states_.Contains(tsNeedRootCountUpdate) && Root()->ChildCount != 0) {
        SetTreeState(tsNeedRootCountUpdate, false);
        uint32_t count = Root()->ChildCount;
        Root()->ChildCount = 0;
        BeginUpdate();
        try {
            SetChildCount(Root(), count);
        } catch (...) {
            EndUpdate();
            throw;
        }
        EndUpdate();
    }
    SetTreeState(tsNeedRootCountUpdate, false);
    Header().RecalculateHeader();
    if (Header().Options().Contains(hoAutoResize))
        Header().Columns().AdjustAutoSize(InvalidColumn, true);
}

void TBaseVirtualTree::StyleChanged() {
    // The built-in images are drawn from the desktop's colours.
    RebuildBuiltInImages();
    if (checkImageKind_ != ckCustom) checkImages_ = CheckImagesFor(checkImageKind_);
    if (TreeOptions().PaintOptions().Contains(toThemeAware))
        SetTreeState(tsUseThemes);
    else
        SetTreeState(tsUseThemes, false);
    Invalidate();
}

void TBaseVirtualTree::PaintHeaderStrip(TCanvas& canvas, const TRect& strip) {
    Header().PaintStrip(canvas, strip);
}

bool TBaseVirtualTree::PreviewMouse(const TMouseMessage& message) {
    // The header strip's columns show their own hints.
    if (message.InHeaderStrip) {
        if (message.Action == TMouseAction::Move)
            UpdateHint(message.Pos.X, message.Pos.Y);
        else
            CancelHint();
    }
    if (Header().HandleMessage(message)) return true;
    return TCustomControl::PreviewMouse(message);
}

bool TBaseVirtualTree::WantKey(uint16_t key, TShiftState) {
    return key == VK_TAB ? wantTabs_ : true;
}

void TBaseVirtualTree::PostedMessage(unsigned msg, intptr_t, intptr_t) {
    // An ended edit releases its editor once the editing code has unwound.
    if (msg == WM_RELEASEEDITLINK && !states_.Contains(tsEditing)) editLink_.reset();
}

void TBaseVirtualTree::RepaintIfNoUpdate() {
    if (HandleAllocated() && !loading_ && updateCount_ == 0) Invalidate();
}

// --- Tree states -----------------------------------------------------------------------------

namespace {
uint32_t CacheBit(TVirtualTreeState state) {
    switch (state) {
        case tsValidationNeeded:
            return kCacheValidationNeeded;
        case tsValidating:
            return kCacheValidating;
        case tsStopValidation:
            return kCacheStopValidation;
        case tsUseCache:
            return kCacheUseCache;
        default:
            return 0;
    }
}
}  // namespace

bool TBaseVirtualTree::HasTreeState(TVirtualTreeState state) const {
    if (uint32_t bit = CacheBit(state)) return geometry_.CacheStates() & bit;
    return states_.Contains(state);
}

void TBaseVirtualTree::SetTreeState(TVirtualTreeState state, bool on) {
    if (uint32_t bit = CacheBit(state)) {
        if (on)
            geometry_.CacheStates().fetch_or(bit, std::memory_order_acq_rel);
        else
            geometry_.CacheStates().fetch_and(~bit, std::memory_order_acq_rel);
        return;
    }
    if (on)
        states_.Include(state);
    else
        states_.Exclude(state);
}

// --- Update lock and Clear -------------------------------------------------------------------

void TBaseVirtualTree::SetUpdateState(bool updating) {
    // Redrawing is switched only for a window that shows.
    if (HandleAllocated() && Visible()) SetRedraw(!updating);
}

void TBaseVirtualTree::BeginUpdate() {
    if (destroying_) return;
    if (updateCount_ == 0) {
        DoUpdating(usBegin);
        SetUpdateState(true);
    } else {
        DoUpdating(usUpdate);
    }
    ++updateCount_;
    states_.Include(tsUpdating);
}

void TBaseVirtualTree::EndUpdate() {
    if (updateCount_ > 0) --updateCount_;
    if (destroying_) return;
    if (updateCount_ == 0 && states_.Contains(tsUpdating)) {
        states_.Exclude(tsUpdating);
        if (selectionCount_ > 0 || !selection_.empty()) {
            int count = PackArray();
            selectionCount_ = count < 0 ? 0 : uint32_t(count);
        }
        ValidateCache();
        if (HandleAllocated()) UpdateScrollBars(false);
        try {
            if (states_.Contains(tsStructureChangePending))
                DoStructureChange(lastStructureChangeNode_, lastStructureChangeReason_);
            if (states_.Contains(tsChangePending)) DoChange(lastChangedNode_);
            if (TreeOptions().AutoOptions().Contains(toAutoSort))
                SortTree(Header().SortColumn(), Header().SortDirection(), true);
        } catch (...) {
            // A failing handler must not leave the window without redrawing.
            SetUpdateState(false);
            if (HandleAllocated()) Invalidate();
            throw;
        }
        SetUpdateState(false);
        if (HandleAllocated()) Invalidate();
    }
    DoUpdating(updateCount_ == 0 ? usEnd : usUpdate);
}

void TBaseVirtualTree::Clear() {
    BeginUpdate();
    try {
        InterruptValidation();
        StopToggleAnimation();
        CancelEditNode();
        // A pending cut or copy of these nodes leaves the clipboard with them.
        ReleaseClipboard();
        ClearSelection();
        // Nobody may refuse the focus leaving: it is set, not moved; the focus handler learns
        // that no node has it (not while the tree is being destroyed).
        const bool hadFocus = focusedNode_ != nullptr;
        focusedNode_ = nullptr;
        if (hadFocus && !destroying_) DoFocusChange(nullptr, focusedColumn_);
        hotNode_ = nullptr;
        dropTargetNode_ = nullptr;
        DeleteChildren(Root(), false);
        Root()->FirstChild = nullptr;
        Root()->LastChild = nullptr;
        store_.ResetVisibleCount();
        geometry_.SetOffsets(0, 0);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// --- Properties --------------------------------------------------------------------------------

void TBaseVirtualTree::SetAlignment(TAlignment value) {
    if (value == alignment_) return;
    alignment_ = value;
    if (!loading_ && HandleAllocated()) Invalidate();
}

void TBaseVirtualTree::SetAnimationDuration(uint32_t value) {
    animationDuration_ = value;
    TVTAnimationOptions options = TreeOptions().AnimationOptions();
    if (value == 0)
        options.Exclude(toAnimatedToggle);
    else
        options.Include(toAnimatedToggle);
    TreeOptions().SetAnimationOptions(options);
}

bool TBaseVirtualTree::BackgroundInUse(TVTInternalPaintOptions options) const {
    return options.Contains(poBackground) && !background_.Empty() &&
           TreeOptions().PaintOptions().Contains(toShowBackground);
}

void TBaseVirtualTree::TileBackground(TCanvas& canvas, const TRect& r, TPoint origin) const {
    TilePicture(canvas, r, background_.Bitmap(), int64_t(backgroundOffsetX_) - origin.X,
                int64_t(backgroundOffsetY_) - origin.Y);
}

void TBaseVirtualTree::SetBackgroundOffsetX(int value) {
    if (value == backgroundOffsetX_) return;
    backgroundOffsetX_ = value;
    RepaintIfNoUpdate();
}

void TBaseVirtualTree::SetBackgroundOffsetY(int value) {
    if (value == backgroundOffsetY_) return;
    backgroundOffsetY_ = value;
    RepaintIfNoUpdate();
}

void TBaseVirtualTree::SetButtonFillMode(TVTButtonFillMode value) {
    if (value == buttonFillMode_) return;
    buttonFillMode_ = value;
    RepaintIfNoUpdate();
}

void TBaseVirtualTree::SetButtonStyle(TVTButtonStyle value) {
    if (value == buttonStyle_) return;
    buttonStyle_ = value;
    RepaintIfNoUpdate();
}

void TBaseVirtualTree::SetCheckImageKind(TCheckImageKind value) {
    if (value == checkImageKind_) return;
    checkImageKind_ = value;
    // The six stock check images come with the painting code; a custom list is used at once.
    checkImages_ = value == ckCustom ? customCheckImagesLink_.Sender() : CheckImagesFor(value);
    RepaintIfNoUpdate();
}

void TBaseVirtualTree::SetCustomCheckImages(TCustomImageList* value) {
    if (value == customCheckImagesLink_.Sender()) return;
    customCheckImagesLink_.SetSender(value);
    if (checkImageKind_ == ckCustom) checkImages_ = value;
    RepaintIfNoUpdate();
}

void TBaseVirtualTree::SetImages(TCustomImageList* value) {
    if (value == imagesLink_.Sender()) return;
    imagesLink_.SetSender(value);
    RepaintIfNoUpdate();
}

void TBaseVirtualTree::SetStateImages(TCustomImageList* value) {
    if (value == stateImagesLink_.Sender()) return;
    stateImagesLink_.SetSender(value);
    RepaintIfNoUpdate();
}

void TBaseVirtualTree::SetIncrementalSearch(TVTIncrementalSearch value) {
    if (value == incrementalSearch_) return;
    incrementalSearch_ = value;
    if (value == isNone) {
        KillTimer(SearchTimer);
        lastSearchNode_ = nullptr;
        searchBuffer_.clear();
        states_.Exclude(tsSearching);
    }
}

void TBaseVirtualTree::SetLineMode(TVTLineMode value) {
    if (value == lineMode_) return;
    lineMode_ = value;
    RepaintIfNoUpdate();
}

void TBaseVirtualTree::SetLineStyle(TVTLineStyle value) {
    if (value == lineStyle_) return;
    lineStyle_ = value;
    PrepareLinePattern();
    RepaintIfNoUpdate();
}

void TBaseVirtualTree::PrepareLinePattern() {
    linePattern_ = DottedLinePattern;
    if (lineStyle_ == lsSolid)
        linePattern_.fill(0xFF);
    else if (lineStyle_ == lsCustomStyle)
        DoGetLineStyle(linePattern_);
}

void TBaseVirtualTree::SetMargin(int value) {
    if (value == margin_) return;
    margin_ = value;
    RepaintIfNoUpdate();
}

void TBaseVirtualTree::SetTextMargin(int value) {
    if (value == textMargin_) return;
    textMargin_ = value;
    RepaintIfNoUpdate();
}

void TBaseVirtualTree::SetNodeAlignment(TVTNodeAlignment value) {
    if (value == nodeAlignment_) return;
    nodeAlignment_ = value;
    RepaintIfNoUpdate();
}

void TBaseVirtualTree::SetSelectionCurveRadius(uint32_t value) {
    if (value == selectionCurveRadius_) return;
    selectionCurveRadius_ = value;
    RepaintIfNoUpdate();
}

namespace {
struct LegacyOption {
    const char* name;
    int set;  // 0 paint, 1 animation, 2 auto, 3 selection, 4 misc
    int element;
};
constexpr LegacyOption kLegacyOptions[] = {
    {"voAcceptOLEDrop", 4, toAcceptOLEDrop},
    {"voAnimatedToggle", 1, toAnimatedToggle},
    {"voAutoDropExpand", 2, toAutoDropExpand},
    {"voAutoExpand", 2, toAutoExpand},
    {"voAutoScroll", 2, toAutoScroll},
    {"voAutoSort", 2, toAutoSort},
    {"voAutoSpanColumns", 2, toAutoSpanColumns},
    {"voAutoTristateTracking", 2, toAutoTristateTracking},
    {"voCheckSupport", 4, toCheckSupport},
    {"voDisableDrawSelection", 3, toDisableDrawSelection},
    {"voEditable", 4, toEditable},
    {"voExtendedFocus", 3, toExtendedFocus},
    {"voFullRowSelect", 3, toFullRowSelect},
    {"voGridExtensions", 4, toGridExtensions},
    {"voHideFocusRect", 0, toHideFocusRect},
    {"voHideSelection", 0, toHideSelection},
    {"voHotTrack", 0, toHotTrack},
    {"voInitOnSave", 4, toInitOnSave},
    {"voLevelSelectConstraint", 3, toLevelSelectConstraint},
    {"voMiddleClickSelect", 3, toMiddleClickSelect},
    {"voMultiSelect", 3, toMultiSelect},
    {"voRightClickSelect", 3, toRightClickSelect},
    {"voPopupMode", 0, toPopupMode},
    {"voShowBackground", 0, toShowBackground},
    {"voShowButtons", 0, toShowButtons},
    {"voShowDropmark", 0, toShowDropmark},
    {"voShowHorzGridLines", 0, toShowHorzGridLines},
    {"voShowRoot", 0, toShowRoot},
    {"voShowTreeLines", 0, toShowTreeLines},
    {"voShowVertGridLines", 0, toShowVertGridLines},
    {"voSiblingSelectConstraint", 3, toSiblingSelectConstraint},
    {"voToggleOnDblClick", 4, toToggleOnDblClick},
};
}  // namespace

void TBaseVirtualTree::ApplyLegacyOptions(const std::vector<std::string>& names) {
    uint64_t sets[5] = {0, 0, 0, 0, 0};
    for (const std::string& name : names)
        for (const LegacyOption& option : kLegacyOptions)
            if (name == option.name) sets[option.set] |= uint64_t(1) << option.element;
    TCustomVirtualTreeOptions& o = TreeOptions();
    o.SetPaintOptions(TVTPaintOptions::FromBits(sets[0]));
    o.SetAnimationOptions(TVTAnimationOptions::FromBits(sets[1]));
    o.SetAutoOptions(TVTAutoOptions::FromBits(sets[2]));
    o.SetSelectionOptions(TVTSelectionOptions::FromBits(sets[3]));
    o.SetMiscOptions(TVTMiscOptions::FromBits(sets[4]));
}

void TBaseVirtualTree::Assign(TBaseVirtualTree& source) {
    if (&source == this) return;
    SetAutoScrollDelay(source.autoScrollDelay_);
    SetAutoScrollInterval(source.autoScrollInterval_);
    SetBackground(source.Background());
    SetBiDiMode(source.BiDiMode());
    SetBorderStyle(source.BorderStyle());
    SetChangeDelay(source.changeDelay_);
    SetCheckImageKind(source.checkImageKind_);
    SetColor(source.Color());
    colors_->Assign(*source.colors_);
    SetCtl3D(source.Ctl3D());
    SetDefaultNodeHeight(source.geometry_.DefaultNodeHeight());
    SetDefaultPasteMode(source.defaultPasteMode_);
    SetDragImageKind(source.dragImageKind_);
    SetDragMode(source.DragMode());
    SetEnabled(source.Enabled());
    Font().Assign(source.Font());
    Header().Assign(source.Header());
    SetHintAnimation(source.HintAnimation());
    SetHintMode(source.HintMode());
    SetHotCursor(source.hotCursor_);
    SetImages(source.Images());
    SetIndent(source.indent_);
    SetMargin(source.margin_);
    SetNodeAlignment(source.nodeAlignment_);
    SetNodeDataSize(source.store_.NodeDataSize());
    TreeOptions().Assign(source.TreeOptions());
    SetPopupMenu(source.popupMenu_);
    SetRootNodeCount(source.RootNodeCount());
    scrollBarOptions_->Assign(*source.scrollBarOptions_);
    SetShowHint(source.ShowHint());
    SetStateImages(source.StateImages());
    SetTabStop(source.TabStop());
    SetVisible(source.Visible());
    SetSelectionCurveRadius(source.selectionCurveRadius_);
}

// --- Actions ---------------------------------------------------------------------------------

bool TBaseVirtualTree::ExecuteAction(TBasicAction& action) {
    switch (action.Kind()) {
        case TActionKind::EditCut:
            CutToClipboard();
            return true;
        case TActionKind::EditCopy:
            CopyToClipboard();
            return true;
        case TActionKind::EditPaste:
            PasteFromClipboard();
            return true;
        case TActionKind::EditDelete:
            DeleteSelectedNodes();
            return true;
        case TActionKind::EditSelectAll:
            SelectAll(false);
            return true;
        case TActionKind::Custom:
            break;
    }
    return false;
}

bool TBaseVirtualTree::UpdateAction(TBasicAction& action) {
    switch (action.Kind()) {
        case TActionKind::EditCut:
        case TActionKind::EditCopy:
        case TActionKind::EditDelete:
            action.SetEnabled(selectionCount_ > 0);
            return true;
        case TActionKind::EditPaste:
            action.SetEnabled(true);
            return true;
        case TActionKind::EditSelectAll:
            action.SetEnabled(TreeOptions().SelectionOptions().Contains(toMultiSelect) &&
                              VisibleCount() > 0);
            return true;
        case TActionKind::Custom:
            break;
    }
    return false;
}
