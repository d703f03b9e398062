// The proportional form resizer: rounding, per-control records and the form-level state machine.
#include "ElastFrm.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "PlacementStore.h"
#include "StRegIniPlacement.h"
#include "platform/Exceptions.h"
#include "platform/Messages.h"

// ---- Rounding ---------------------------------------------------------------------------

namespace {

int Saturate(double v) {
    if (std::isnan(v)) return 0;
    if (v >= double(INT_MAX)) return INT_MAX;
    if (v <= double(INT_MIN)) return INT_MIN;
    return int(v);
}

}  // namespace

int RoundHalfEven(double x) {
    if (std::isnan(x)) return 0;
    double f = std::floor(x);
    double diff = x - f;
    double r = f;
    if (diff > 0.5 || (diff == 0.5 && std::fmod(f, 2.0) != 0.0)) r = f + 1.0;
    return Saturate(r);
}

int TruncToInt(double x) {
    return Saturate(std::trunc(x));
}

int RoundHalfDown(double x) {
    if (std::isnan(x)) return 0;
    double t = std::trunc(x);
    return x - t > 0.5 ? RoundHalfEven(x) : Saturate(t);
}

int ScaleFontHeight(int baseHeight, double factor) {
    int v = RoundHalfDown(baseHeight * factor);
    if (v == 0 && baseHeight != 0) v = baseHeight < 0 ? -1 : 1;
    return v;
}

namespace {

// A font height rounded the ordinary way, never 0 for a known font.
int RoundFontHeight(double height, int base) {
    int v = RoundHalfEven(height);
    if (v == 0 && base != 0) v = base < 0 ? -1 : 1;
    return v;
}

}  // namespace

// ---- Pure arithmetic of the form level --------------------------------------------------

std::vector<int> OrderControls(const std::vector<TOrderItem>& items) {
    std::vector<int> order;
    order.reserve(items.size());
    std::vector<bool> taken(items.size(), false);
    // Repeatedly the smallest (or largest) key of one alignment; `<=`/`>=` make the control
    // found later win among equal keys.
    auto takeGroup = [&](TAlign align, auto key, bool ascending) {
        for (;;) {
            int best = -1;
            for (size_t i = 0; i < items.size(); ++i) {
                if (taken[i] || !items[i].Direct || items[i].Align != align) continue;
                if (best < 0 || (ascending ? key(items[i]) <= key(items[size_t(best)])
                                           : key(items[i]) >= key(items[size_t(best)])))
                    best = int(i);
            }
            if (best < 0) return;
            taken[size_t(best)] = true;
            order.push_back(best);
        }
    };
    auto top = [](const TOrderItem& t) { return t.Top; };
    auto left = [](const TOrderItem& t) { return t.Left; };
    takeGroup(TAlign::alTop, top, true);
    takeGroup(TAlign::alBottom, top, false);
    takeGroup(TAlign::alLeft, left, true);
    takeGroup(TAlign::alRight, left, false);
    takeGroup(TAlign::alClient, left, true);
    for (size_t i = 0; i < items.size(); ++i)
        if (!taken[i] && items[i].Direct) {
            taken[i] = true;
            order.push_back(int(i));
        }
    for (size_t i = 0; i < items.size(); ++i)
        if (!taken[i]) order.push_back(int(i));
    return order;
}

double ScreenRatio(int current, int design) {
    if (design <= 0 || current <= 0) return 1.0;
    // Kept in single precision on purpose: the recorded layouts depend on these exact values.
    float q = float(current) * 1.0f / float(design);
    return double(q);
}

int TrackLimit(int value, int screenDimension) {
    if (value >= 0) return value;
    return RoundHalfEven(double(-value) * screenDimension / 100.0);
}

TSize ProportionalMaxSize(int designWidth, int designHeight, TSize screen) {
    if (designWidth <= 0 || designHeight <= 0 || screen.cx <= 0 || screen.cy <= 0) return {};
    double aspect = double(designWidth) / designHeight;
    if (double(designWidth) / screen.cx >= double(designHeight) / screen.cy) {
        int w = screen.cx - 6;
        return {w, RoundHalfEven(w / aspect)};
    }
    int h = screen.cy - 5;
    return {RoundHalfEven(h * aspect), h};
}

TSize KeepProportions(TSize start, TSize now) {
    if (start.cx <= 0 || start.cy <= 0) return now;
    if (std::abs(now.cx - start.cx) >= std::abs(now.cy - start.cy))
        return {now.cx, RoundHalfEven(double(now.cx) * start.cy / start.cx)};
    return {RoundHalfEven(double(now.cy) * start.cx / start.cy), now.cy};
}

std::vector<TPoint> BackgroundTiles(int clientWidth, int clientHeight, int imageWidth,
                                    int imageHeight) {
    std::vector<TPoint> tiles;
    if (imageWidth <= 0 || imageHeight <= 0 || clientWidth <= 0 || clientHeight <= 0) return tiles;
    // Each tile overlaps its neighbour by one pixel; a one-pixel image still advances.
    const int stepX = std::max(1, imageWidth - 1), stepY = std::max(1, imageHeight - 1);
    const size_t limit = 100000;  // a degenerate image must not stall painting
    for (int y = 0; y < clientHeight; y += stepY)
        for (int x = 0; x < clientWidth; x += stepX) {
            if (tiles.size() >= limit) return tiles;
            tiles.push_back({x, y});
        }
    return tiles;
}

// ---- Per-control record -----------------------------------------------------------------

TFrame::TFrame(TElasticForm* owner, TElasticControl* control) : Owner(owner), Control(control) {}

void TFrame::CaptureGrid(TElasticGrid& grid, const TCaptureFactors& f) {
    GridColCount = grid.ColCount();
    GridDefaultColWidth = RoundHalfEven(grid.DefaultColWidth() * f.XRatio);
    GridColWidths.clear();
    for (int i = 0; i < GridColCount; ++i)
        GridColWidths.push_back(RoundHalfEven(grid.ColWidth(i) * f.XRatio));
    GridRowHeights.clear();
    for (int i = 0, n = grid.RowCount(); i < n; ++i)
        GridRowHeights.push_back(RoundHalfEven(grid.RowHeight(i) * f.YRatio));
    GridDefaultRowHeight = RoundHalfEven(grid.DefaultRowHeight() * f.YRatio);
    // Rows must stay taller than their text: raise the default above the height of "1".
    int text = RoundHalfEven(grid.TextHeight1() * f.FontYRatio);
    if (GridDefaultRowHeight <= text) GridDefaultRowHeight = text + 1;
    GridRowHeightRatio = 0.0;
    if (GridDefaultRowHeight > 0 && !GridRowHeights.empty()) {
        GridRowHeightRatio = 1e300;
        for (int h : GridRowHeights)
            GridRowHeightRatio = std::min(GridRowHeightRatio, double(h) / GridDefaultRowHeight);
    }
}

void TFrame::Capture(const TCaptureFactors& f) {
    TElasticControl& c = *Control;
    ExtraFonts.clear();
    if (f.LookForExtraFonts)
        for (TFont* font : c.ExtraFonts())
            if (font) ExtraFonts.push_back({font, font->Height()});

    // Sections scale with the width alone, like every other width.
    SectionWidths.clear();
    if (TElasticWidths* s = c.Sections())
        for (int i = 0; i < s->Count(); ++i)
            SectionWidths.push_back(RoundHalfEven(s->Width(i) * f.XRatio));

    IsStatusBar = IsToolBar = IsGrid = false;
    PanelWidths.clear();
    if (TElasticWidths* p = c.StatusPanels()) {
        IsStatusBar = true;
        for (int i = 0; i < p->Count(); ++i) {
            int w = RoundHalfEven(p->Width(i) * f.XRatio);
            p->SetWidth(i, w);
            PanelWidths.push_back(w);
        }
    } else if (TElasticToolBar* tb = c.ToolBar()) {
        IsToolBar = true;
        BaseButtonWidth = RoundHalfEven(tb->ButtonWidth() * f.XRatio);
        BaseButtonHeight = RoundHalfEven(tb->ButtonHeight() * f.YRatio);
        ButtonRatio = BaseButtonWidth > 0 ? float(BaseButtonHeight) / float(BaseButtonWidth) : 1.0f;
        c.SetParentFont(false);
    } else if (TElasticGrid* g = c.Grid()) {
        IsGrid = true;
        CaptureGrid(*g, f);
    }

    TControlBounds b = c.Bounds();
    Base = {RoundHalfEven(b.Left * f.XRatio), RoundHalfEven(b.Top * f.YRatio),
            RoundHalfEven(b.Width * f.XRatio), RoundHalfEven(b.Height * f.YRatio)};
    if (IsGrid) {
        int rows = 0;
        for (int h : GridRowHeights) rows += h;
        GridNonRowHeight = Base.Height - rows;
        c.SetParentFont(false);
    }

    BaseFontHeight = TruncToInt(c.FontHeight() * f.FontYRatio);
    for (ExtraFont& e : ExtraFonts) e.BaseHeight = TruncToInt(e.BaseHeight * f.FontYRatio);
    if (TFont* t = c.TitleFont()) BaseTitleFontHeight = TruncToInt(t->Height() * f.FontYRatio);
    if (TFont* t = c.TabFont()) BaseTabFontHeight = TruncToInt(t->Height() * f.FontYRatio);
}

void TFrame::RescaleGridRows(TElasticGrid& grid, int newHeight) {
    const int baseRows = Base.Height - GridNonRowHeight, newRows = newHeight - GridNonRowHeight;
    const double r = (baseRows > 0 && newRows > 0) ? double(newRows) / baseRows : YFactor;
    int def = RoundHalfEven(GridDefaultRowHeight * r);
    const int text = grid.TextHeight1();
    const bool floorAtText = r < 0.8 && def <= 0.7 * text;
    if (floorAtText) def = text;
    grid.SetDefaultRowHeight(def);
    const int n = std::min(grid.RowCount(), int(GridRowHeights.size()));
    for (int i = 0; i < n; ++i) {
        int h = RoundHalfEven(GridRowHeights[size_t(i)] * r);
        if (floorAtText) h = std::max(h, text);
        if (def > 0 && double(h) / def < GridRowHeightRatio) h = GridRowHeights[size_t(i)];
        grid.SetRowHeight(i, h);
    }
}

void TFrame::Rescale(const TRescaleArgs& a) {
    TElasticControl& c = *Control;
    const double x = (a.ElasticHorizontal && a.BaseClientWidth > 0)
                         ? double(a.ClientWidth) / a.BaseClientWidth
                         : 1.0;
    const double y = (a.ElasticVertical && a.BaseClientHeight > 0)
                         ? double(a.ClientHeight) / a.BaseClientHeight
                         : 1.0;
    XFactor = x;
    YFactor = y;
    FontFactor = a.FontFactor;
    if (Owner) {
        Owner->LastXFactor = x;
        Owner->LastYFactor = y;
    }
    if (!Resize) {
        c.SetBounds(Base);
        return;
    }

    if (a.ElasticFont && !(IsGrid && !a.GridFontResize) && !IsToolBar) {
        auto scaled = [&](int base) {
            return ScaleFont ? ScaleFontHeight(base, a.FontFactor) : base;
        };
        for (ExtraFont& e : ExtraFonts) e.Font->SetHeight(scaled(e.BaseHeight));
        if (TFont* t = c.TitleFont()) t->SetHeight(scaled(BaseTitleFontHeight));
        if (!c.ParentFont()) c.SetFontHeight(scaled(BaseFontHeight));
        if (TFont* t = c.TabFont()) t->SetHeight(scaled(BaseTabFontHeight));
    }

    TControlBounds b = Base;
    if (a.ElasticHorizontal) {
        b.Left = RoundHalfEven(Base.Left * x);
        b.Width = RoundHalfEven(Base.Width * x);
    }
    if (a.ElasticVertical) {
        b.Top = RoundHalfEven(Base.Top * y);
        b.Height = RoundHalfEven(Base.Height * y);
    }
    c.SetBounds(b);

    if (IsStatusBar)
        if (TElasticWidths* p = c.StatusPanels())
            for (int i = 0, n = std::min(p->Count(), int(PanelWidths.size())); i < n; ++i)
                p->SetWidth(i, RoundHalfEven(PanelWidths[size_t(i)] * x));
    if (TElasticWidths* s = c.Sections())
        for (int i = 0, n = std::min(s->Count(), int(SectionWidths.size())); i < n; ++i)
            s->SetWidth(i, RoundHalfEven(SectionWidths[size_t(i)] * x));
    if (IsGrid)
        if (TElasticGrid* g = c.Grid()) {
            if (g->ColCount() != GridColCount) CaptureGrid(*g, a.Capture);
            if (a.GridColumnWidthResize) {
                g->SetDefaultColWidth(RoundHalfEven(GridDefaultColWidth * x));
                for (int i = 0, n = std::min(g->ColCount(), int(GridColWidths.size())); i < n; ++i)
                    g->SetColWidth(i, RoundHalfEven(GridColWidths[size_t(i)] * x));
            }
            if (a.GridRowHeightResize) RescaleGridRows(*g, b.Height);
        }
    if (IsToolBar)
        if (TElasticToolBar* tb = c.ToolBar()) {
            int w = TruncToInt(BaseButtonWidth * x);
            tb->SetButtonSize(w, TruncToInt(w * double(ButtonRatio)));
        }
    if (c.IsLabel() || c.AutoSize()) c.AdjustSize();
}

// ---- Process defaults -------------------------------------------------------------------

namespace {

TScreenInfo* g_defaultScreen = nullptr;

std::set<const void*>& FormsWithResizer() {
    static std::set<const void*> forms;
    return forms;
}

}  // namespace

void SetDefaultScreenInfo(TScreenInfo* screen) {
    g_defaultScreen = screen;
}
TScreenInfo* DefaultScreenInfo() {
    return g_defaultScreen;
}

// ---- The form-level resizer -------------------------------------------------------------

TElasticForm::TElasticForm(TElasticHost* host, TScreenInfo* screen, TPlacementStore* store)
    : host_(host), formKey_(nullptr), screen_(screen), store_(store) {
    if (!host || !host->IsForm()) throw Exception("Owner of TElasticForm component must be a form");
    if (FormsWithResizer().count(host->FormKey()))
        throw Exception("A TElasticForm component already exists in " + host->FormName());
    formKey_ = host->FormKey();
    FormsWithResizer().insert(formKey_);

    TControlBounds b = host->Bounds();
    DesignFormLeft = b.Left;
    DesignFormTop = b.Top;
    DesignFormWidth = DesignFormClientWidth = b.Width;
    DesignFormHeight = DesignFormClientHeight = b.Height;
    movePosition_ = host->Positioned();
    Font.SetHeight(host->FormFontHeight());
    // The form's font follows the component font once the resizer has taken over.
    Font.OnChange = [this](TFont* f) {
        if (captured_ && host_->FormFontHeight() != f->Height())
            host_->SetFormFontHeight(f->Height());
    };
}

TElasticForm::~TElasticForm() {
    Font.OnChange = nullptr;
    FormsWithResizer().erase(formKey_);
}

TScreenInfo& TElasticForm::Screen() const {
    static TFixedScreenInfo headless;
    if (screen_) return *screen_;
    if (TScreenInfo* s = DefaultScreenInfo()) return *s;
    return headless;
}

TPlacementStore* TElasticForm::Store() {
    if (store_) return store_;
    if (!registryStore_ || registryKey_ != ElFrmIniFile) {
        registryStore_ = std::make_unique<TStRegIniPlacement>(ElFrmIniFile);
        registryKey_ = ElFrmIniFile;
    }
    return registryStore_.get();
}

std::string TElasticForm::Section() const {
    return host_->FormName();
}

TSize TElasticForm::ClientSize() const {
    TControlBounds b = host_->Bounds();
    return {b.Width, b.Height};
}

TFrame* TElasticForm::FrameOf(TControlKey control) const {
    for (const auto& f : frames_)
        if (f->Control->Key() == control) return f.get();
    return nullptr;
}

void TElasticForm::ExcludeFromFontScaling(TControlKey control) {
    if (!control || !host_->IsMember(control)) return;  // another form's control is not ours
    host_->SetControlParentFont(control, false);
    if (TFrame* f = FrameOf(control))
        f->ScaleFont = false;
    else if (!initialised_)
        pendingFontExclusions_.push_back(control);
}

void TElasticForm::ExcludeFromResizing(TControlKey control) {
    if (!control || !host_->IsMember(control)) {
        ShowMessage("Control " + host_->ControlName(control) + " is not a member of " +
                    host_->FormName());
        return;
    }
    host_->SetControlParentFont(control, false);
    // Asked before the records exist (the usual case: from the form's constructor), the
    // exclusion waits for them.
    if (TFrame* f = FrameOf(control))
        f->Resize = false;
    else if (!initialised_)
        pendingResizeExclusions_.push_back(control);
}

void TElasticForm::ApplyPendingExclusions() {
    for (TControlKey k : pendingResizeExclusions_)
        if (TFrame* f = FrameOf(k)) f->Resize = false;
    for (TControlKey k : pendingFontExclusions_)
        if (TFrame* f = FrameOf(k)) f->ScaleFont = false;
    pendingResizeExclusions_.clear();
    pendingFontExclusions_.clear();
}

void TElasticForm::CollectControls() {
    controls_ = host_->CollectControls();
    std::vector<TOrderItem> items;
    items.reserve(controls_.size());
    for (const auto& c : controls_) {
        TControlBounds b = c->Bounds();
        items.push_back({c->Align(), b.Left, b.Top, c->IsDirect()});
    }
    frames_.clear();
    for (int i : OrderControls(items)) {
        auto f = std::make_unique<TFrame>(this, controls_[size_t(i)].get());
        f->Visible = f->Control->Visible();
        frames_.push_back(std::move(f));
    }
    ApplyPendingExclusions();
}

void TElasticForm::Initialise() {
    if (initialised_) return;
    initialised_ = true;
    screenSize_ = Screen().AvailableSize();
    if (!ResolutionIndependence) {
        DesignScreenWidth = screenSize_.cx;
        DesignScreenHeight = screenSize_.cy;
    }
    CollectControls();
    try {
        RestoreFormPlacement();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Lorvane: form placement not restored: %s\n", e.what());
    }
    xRatio_ = ScreenRatio(screenSize_.cx, DesignScreenWidth);
    yRatio_ = ScreenRatio(screenSize_.cy, DesignScreenHeight);
    fontRatio_ = yRatio_;
    scaledFormFontHeight_ = ScaleFontHeight(Font.Height(), yRatio_);
    ComputeFormBounds();
    UpdateSizeLimits();
}

void TElasticForm::ComputeFormBounds() {
    const TSize s = screenSize_;
    computed_ = {RoundHalfEven(DesignFormLeft * xRatio_), RoundHalfEven(DesignFormTop * yRatio_),
                 RoundHalfEven(DesignFormWidth * xRatio_),
                 RoundHalfEven(DesignFormHeight * yRatio_)};
    TFormPosition pos = host_->Position();
    if (pos == TFormPosition::poScreenCenter || pos == TFormPosition::poDesktopCenter) {
        computed_.Left = (s.cx - computed_.Width) / 2;
        computed_.Top = (s.cy - computed_.Height) / 2;
        movePosition_ = true;
    }
    if (computed_.Left + computed_.Width > s.cx) computed_.Left = (s.cx - computed_.Width) / 2;
    if (computed_.Top + computed_.Height > s.cy) computed_.Top = (s.cy - computed_.Height) / 2;
    computed_.Left = std::max(0, computed_.Left);
    computed_.Top = std::max(0, computed_.Top);
}

void TElasticForm::UpdateSizeLimits() {
    if (!initialised_) return;
    const TSize s = Screen().AvailableSize();
    int maxW = TrackLimit(maxTrackW_, s.cx), maxH = TrackLimit(maxTrackH_, s.cy);
    if (maintainProportions_) {
        TSize p = ProportionalMaxSize(DesignFormWidth, DesignFormHeight, s);
        if (maxW == 0) maxW = p.cx;
        if (maxH == 0) maxH = p.cy;
    }
    host_->SetSizeLimits(TrackLimit(minTrackW_, s.cx), TrackLimit(minTrackH_, s.cy), maxW, maxH);
}

void TElasticForm::CaptureAll() {
    TCaptureFactors f{fontRatio_, yRatio_, xRatio_, LookForExtraFonts};
    for (auto& frame : frames_) frame->Capture(f);
    captured_ = true;
    Font.SetHeight(scaledFormFontHeight_);
    if (host_->FormFontHeight() != Font.Height()) host_->SetFormFontHeight(Font.Height());
    baseClientW_ = RoundHalfEven(DesignFormClientWidth * xRatio_);
    baseClientH_ = RoundHalfEven(DesignFormClientHeight * yRatio_);
    baseFontHeight_ = Font.Height();
}

void TElasticForm::Rescale() {
    if (!initialised_) Initialise();
    if (inRescale_) return;
    struct Guard {
        bool& flag;
        explicit Guard(bool& f) : flag(f) { flag = true; }
        ~Guard() { flag = false; }
    } guard(inRescale_);

    if (focusPending_ && !EFActiveControl.empty()) {
        focusPending_ = false;
        host_->FocusControl(EFActiveControl);
    }
    if (!captured_) CaptureAll();

    const TSize cur = ClientSize();
    const double fx = baseClientW_ > 0 ? double(cur.cx) / baseClientW_ : 1.0;
    const double fy = baseClientH_ > 0 ? double(cur.cy) / baseClientH_ : 1.0;
    // Text scales no more than the controls around it on either axis: the smaller ratio, where
    // an axis that is not elastic keeps its controls' base size and so counts as 1.
    const double factor = std::min(ElasticHorizontal ? fx : 1.0, ElasticVertical ? fy : 1.0);
    if (ElasticFont) Font.SetHeight(RoundFontHeight(baseFontHeight_ * factor, baseFontHeight_));
    fontFactor_ = factor;

    TRescaleArgs a;
    a.ElasticHorizontal = ElasticHorizontal;
    a.ElasticVertical = ElasticVertical;
    a.ElasticFont = ElasticFont;
    a.GridColumnWidthResize = GridColumnWidthResize;
    a.GridRowHeightResize = GridRowHeightResize;
    a.GridFontResize = GridFontResize;
    a.Capture = {fontRatio_, yRatio_, xRatio_, LookForExtraFonts};
    a.FontFactor = fontFactor_;
    a.BaseClientWidth = baseClientW_;
    a.BaseClientHeight = baseClientH_;
    a.ClientWidth = cur.cx;
    a.ClientHeight = cur.cy;
    host_->SetUpdatesEnabled(false);
    try {
        for (auto& frame : frames_) frame->Rescale(a);
    } catch (...) {
        host_->SetUpdatesEnabled(true);
        throw;
    }
    host_->SetUpdatesEnabled(true);
    lastRescale_ = cur;
    if (OnAfterResize) OnAfterResize(this);
}

void TElasticForm::HandleShow() {
    if (!initialised_) Initialise();
    if (!shown_) {
        // The computed (or restored) bounds are applied once: re-applying them until the
        // form is activated would fight the window manager.
        TControlBounds b = computed_;
        bool move = movePosition_;
        if (restoredNormal_) {
            b = restored_;
            move = true;
            restoredNormal_ = false;
        }
        if (!host_->IsMaximized()) host_->SetBounds(b, move);
        shown_ = true;  // after the bounds: their resize is this rescale's, not another one
        Rescale();
        settled_ = lastRescale_;
        RestoreFocus();
        return;
    }
    if (ClientSize() != lastRescale_) Rescale();
    RestoreFocus();
}

void TElasticForm::HandleResize() {
    if (!shown_ || inRescale_) return;
    const TSize now = ClientSize();
    // Big changes on both axes (maximise, restore, a new screen) rescale at once; anything
    // else waits until the size has settled.
    if (std::abs(now.cx - lastRescale_.cx) > 5 && std::abs(now.cy - lastRescale_.cy) > 5) Rescale();
    host_->RestartSettleTimer();
}

void TElasticForm::HandleMove() {
    if (shown_) host_->RestartSettleTimer();
}

void TElasticForm::HandleSettled() {
    if (!shown_) return;
    TSize now = ClientSize();
    if (maintainProportions_ && !host_->IsMaximized() && settled_.cx > 0) {
        TSize kept = KeepProportions(settled_, now);
        if (kept != now) {
            TControlBounds b = host_->Bounds();
            b.Width = kept.cx;
            b.Height = kept.cy;
            host_->SetBounds(b, false);
            now = ClientSize();
        }
    }
    if (now != lastRescale_) {
        Rescale();
        RestoreFocus();
    }
    settled_ = now;
    SavePlacementQuietly();
}

void TElasticForm::HandleActivate() {
    if (maximisedPending_) {
        maximisedPending_ = false;
        host_->ShowMaximized();
    }
    RestoreFocus();
}

void TElasticForm::HandleMinimise() {
    std::string active = host_->ActiveControlName();
    if (!active.empty()) EFActiveControl = active;
    focusPending_ = true;
    SavePlacementQuietly();
}

void TElasticForm::HandleClose() {
    SavePlacementQuietly();
}

void TElasticForm::HandleScreenChange() {
    if (!initialised_) return;
    const TSize now = Screen().AvailableSize();
    const TSize before = screenSize_;
    if (now == before || now.cx <= 0 || now.cy <= 0) return;
    screenSize_ = now;
    if (shown_ && !host_->IsMaximized() && before.cx > 0 && before.cy > 0) {
        TControlBounds b = host_->Bounds();
        b = {RoundHalfEven(double(b.Left) * now.cx / before.cx),
             RoundHalfEven(double(b.Top) * now.cy / before.cy),
             RoundHalfEven(double(b.Width) * now.cx / before.cx),
             RoundHalfEven(double(b.Height) * now.cy / before.cy)};
        host_->SetBounds(b, movePosition_);
    }
    UpdateSizeLimits();
    if (shown_) Rescale();
}

void TElasticForm::RestoreFocus() {
    if (!EFActiveControl.empty() && host_->ActiveControlName().empty())
        host_->FocusControl(EFActiveControl);
}

void TElasticForm::SavePlacementQuietly() {
    // Runs from resize and close handling: a read-only configuration must not turn every
    // resize into an error box.
    try {
        SaveFormPlacement();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "Lorvane: form placement not saved: %s\n", e.what());
    }
}

void TElasticForm::SaveFormPlacement() {
    if (ElFrmIniFile.empty() || !initialised_) return;
    TPlacementStore* s = Store();
    const std::string sec = Section();
    const bool maximised = host_->IsMaximized();
    // Saved and restored against the same reference, so a window does not creep.
    const TSize ref = Screen().AvailableSize();
    const TControlBounds nb = host_->NormalBounds();
    s->WriteInteger(sec, "Total Controls", int(frames_.size()));
    s->WriteInteger(sec, "Window State", maximised ? 2 : 0);
    if (!maximised && ref.cx > 0 && ref.cy > 0) {
        s->WriteFloat(sec, "Left", double(nb.Left) / ref.cx);
        s->WriteFloat(sec, "Top", double(nb.Top) / ref.cy);
        s->WriteFloat(sec, "Width", double(nb.Width) / ref.cx);
        s->WriteFloat(sec, "Height", double(nb.Height) / ref.cy);
    }
    // A maximised window's size says nothing about a limit the user wants: never persist one.
    s->WriteInteger(sec, "MaxTrackWidth", maximised ? 0 : maxTrackW_);
    s->WriteInteger(sec, "MaxTrackHeight", maximised ? 0 : maxTrackH_);
    for (size_t i = 0; i < frames_.size(); ++i)
        s->WriteBool(sec, "Visible " + std::to_string(i), frames_[i]->Control->Visible());
    s->WriteInteger(sec, "wp length ", 44);
    s->WriteInteger(sec, "wp flags", 0);
    s->WriteInteger(sec, "wp showCmd", maximised ? 3 : 1);
    s->WriteInteger(sec, "wp MinPosX", -1);
    s->WriteInteger(sec, "wp MinPosY", -1);
    s->WriteInteger(sec, "wp MaxPosX", -1);
    s->WriteInteger(sec, "wp MaxPosY", -1);
    s->WriteInteger(sec, "wp NormPosLeft", nb.Left);
    s->WriteInteger(sec, "wp NormPosTop", nb.Top);
    s->WriteInteger(sec, "wp NormPosRight", nb.Left + nb.Width);
    s->WriteInteger(sec, "wp NormPosBottom", nb.Top + nb.Height);
    s->Commit();
}

void TElasticForm::RestoreFormPlacement() {
    if (ElFrmIniFile.empty()) return;
    TPlacementStore* s = Store();
    const std::string sec = Section();
    if (!s->SectionExists(sec)) return;
    // A form whose controls changed in number falls back to its computed layout.
    if (s->ReadInteger(sec, "Total Controls", -1) != int(frames_.size())) return;
    const TSize ref = Screen().AvailableSize();
    const int state = s->ReadInteger(sec, "Window State", 0);
    TControlBounds nb = host_->NormalBounds();
    if (state == 2) {
        maximisedPending_ = true;
        TControlBounds wp{s->ReadInteger(sec, "wp NormPosLeft", nb.Left),
                          s->ReadInteger(sec, "wp NormPosTop", nb.Top), 0, 0};
        wp.Width = s->ReadInteger(sec, "wp NormPosRight", nb.Left + nb.Width) - wp.Left;
        wp.Height = s->ReadInteger(sec, "wp NormPosBottom", nb.Top + nb.Height) - wp.Top;
        if (wp.Width > 0 && wp.Height > 0) {
            restored_ = wp;
            restoredNormal_ = true;
        }
    } else {
        double l = s->ReadFloat(sec, "Left", 0), t = s->ReadFloat(sec, "Top", 0);
        double w = s->ReadFloat(sec, "Width", 0), h = s->ReadFloat(sec, "Height", 0);
        TControlBounds b{RoundHalfEven(ref.cx * l), RoundHalfEven(ref.cy * t),
                         RoundHalfEven(ref.cx * w), RoundHalfEven(ref.cy * h)};
        // Missing or damaged fractions must not shrink the window to nothing.
        if (b.Width > 0 && b.Height > 0) {
            restored_ = b;
            restoredNormal_ = true;
        }
    }
    maxTrackW_ = s->ReadInteger(sec, "MaxTrackWidth", maxTrackW_);
    maxTrackH_ = s->ReadInteger(sec, "MaxTrackHeight", maxTrackH_);
    for (size_t i = 0; i < frames_.size(); ++i) {
        bool v = s->ReadBool(sec, "Visible " + std::to_string(i), true);
        frames_[i]->Visible = v;
        frames_[i]->Control->SetVisible(v);
    }
    UpdateSizeLimits();
    if (shown_) {
        if (restoredNormal_ && !host_->IsMaximized()) host_->SetBounds(restored_, true);
        restoredNormal_ = false;
    }
}
