// The proportional form resizer over abstract form and control adapters (Qt: ElastFrmQt).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Classes.h"
#include "platform/Graphics.h"

class TPlacementStore;

// ---- Rounding ---------------------------------------------------------------------------

// Font rounding: a fraction above one half rounds, anything else truncates toward zero, so
// 2.5 gives 2, 2.51 gives 3 and every negative value is truncated (-2.7 gives -2).
int RoundHalfDown(double x);
// Geometry rounding: half to even (2.5 gives 2, 3.5 gives 4). NaN gives 0; values beyond
// the int range saturate.
int RoundHalfEven(double x);
// Truncation toward zero with the same guards.
int TruncToInt(double x);

// ---- Control adapters --------------------------------------------------------------------

// Identity of a control on a form (the widget's address in the Qt binding). Used for
// exclusions, which may be asked before the resizer has collected its controls.
using TControlKey = const void*;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };

struct TControlBounds {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    friend bool operator==(const TControlBounds&, const TControlBounds&) = default;
};

// A list of widths that scale with the form: status-bar panels or header sections.
class TElasticWidths {
public:
    virtual ~TElasticWidths() = default;
    virtual int Count() const = 0;
    virtual int Width(int index) const = 0;
    virtual void SetWidth(int index, int width) = 0;
};

class TElasticToolBar {
public:
    virtual ~TElasticToolBar() = default;
    virtual int ButtonWidth() const = 0;
    virtual int ButtonHeight() const = 0;
    virtual void SetButtonSize(int width, int height) = 0;
};

// A grid of columns and rows with default sizes.
class TElasticGrid {
public:
    virtual ~TElasticGrid() = default;
    virtual int ColCount() const = 0;
    virtual int RowCount() const = 0;
    virtual int DefaultColWidth() const = 0;
    virtual void SetDefaultColWidth(int width) = 0;
    virtual int DefaultRowHeight() const = 0;
    virtual void SetDefaultRowHeight(int height) = 0;
    virtual int ColWidth(int col) const = 0;
    virtual void SetColWidth(int col, int width) = 0;
    virtual int RowHeight(int row) const = 0;
    virtual void SetRowHeight(int row, int height) = 0;
    // Height of the text "1" in the grid's current font.
    virtual int TextHeight1() const = 0;
};

// One control of a form as the resizer sees it. Capabilities a control lacks answer null.
class TElasticControl {
public:
    virtual ~TElasticControl() = default;
    virtual TControlKey Key() const = 0;
    virtual std::string Name() const = 0;
    // Placed directly on the form (rather than inside a container).
    virtual bool IsDirect() const = 0;
    virtual TAlign Align() const { return TAlign::alNone; }

    virtual TControlBounds Bounds() const = 0;
    virtual void SetBounds(const TControlBounds& bounds) = 0;
    // The program's own intent, not whether the window happens to be on screen.
    virtual bool Visible() const = 0;
    virtual void SetVisible(bool visible) = 0;

    // Signed font height: negative is the character height in pixels.
    virtual int FontHeight() const = 0;
    virtual void SetFontHeight(int height) = 0;
    virtual bool ParentFont() const = 0;
    virtual void SetParentFont(bool parentFont) = 0;

    virtual std::vector<TFont*> ExtraFonts() { return {}; }
    virtual TFont* TitleFont() { return nullptr; }
    virtual TFont* TabFont() { return nullptr; }
    virtual TElasticWidths* StatusPanels() { return nullptr; }
    virtual TElasticWidths* Sections() { return nullptr; }
    virtual TElasticToolBar* ToolBar() { return nullptr; }
    virtual TElasticGrid* Grid() { return nullptr; }
    // Labels and controls with automatic size recompute their size after a rescale.
    virtual bool IsLabel() const { return false; }
    virtual bool AutoSize() const { return false; }
    virtual void AdjustSize() {}
};

// Fonts beyond a control's own one, exposed by our own controls (a tree's header font, a
// calendar's title font) so that they scale with the form.
class TElasticFontSource {
public:
    virtual ~TElasticFontSource() = default;
    virtual std::vector<TFont*> ExtraFonts() { return {}; }
    virtual TFont* TitleFont() { return nullptr; }
    virtual TFont* TabFont() { return nullptr; }
};

// Facts about the screen a form is shown on.
class TScreenInfo {
public:
    virtual ~TScreenInfo() = default;
    // The size a maximised window gets (the screen minus panels and docks).
    virtual TSize AvailableSize() const = 0;
    virtual int PixelsPerInch() const = 0;
};

// A fixed screen; tests and headless code use it.
class TFixedScreenInfo : public TScreenInfo {
public:
    TFixedScreenInfo(int width = 1024, int height = 768, int ppi = 96)
        : size_{width, height}, ppi_(ppi) {}
    TSize AvailableSize() const override { return size_; }
    int PixelsPerInch() const override { return ppi_; }
    void SetSize(int width, int height) { size_ = {width, height}; }

private:
    TSize size_;
    int ppi_;
};

enum class TFormPosition { poDesigned, poScreenCenter, poDesktopCenter };

// The form a resizer is attached to.
class TElasticHost {
public:
    virtual ~TElasticHost() = default;
    // False when the owner is not a form (a top-level window).
    virtual bool IsForm() const = 0;
    virtual const void* FormKey() const = 0;
    virtual std::string FormName() const = 0;

    // The form's client area in screen coordinates; NormalBounds is the restored geometry of
    // a maximised or minimised form.
    virtual TControlBounds Bounds() const = 0;
    virtual TControlBounds NormalBounds() const = 0;
    // Moves only when `move`; otherwise the window manager keeps its placement.
    virtual void SetBounds(const TControlBounds& bounds, bool move) = 0;
    // True when the form was placed explicitly (its design position means something).
    virtual bool Positioned() const = 0;
    virtual TFormPosition Position() const { return TFormPosition::poDesigned; }
    virtual bool IsMaximized() const = 0;
    virtual void ShowMaximized() = 0;
    // 0 means no limit.
    virtual void SetSizeLimits(int minWidth, int minHeight, int maxWidth, int maxHeight) = 0;
    // Painting off while every control moves, so the form does not flicker.
    virtual void SetUpdatesEnabled(bool enabled) = 0;

    virtual int FormFontHeight() const = 0;
    virtual void SetFormFontHeight(int height) = 0;

    // The named controls in walk order; the resizer owns the adapters.
    virtual std::vector<std::unique_ptr<TElasticControl>> CollectControls() = 0;
    virtual bool IsMember(TControlKey control) const = 0;
    virtual std::string ControlName(TControlKey control) const = 0;
    virtual void SetControlParentFont(TControlKey control, bool parentFont) = 0;
    virtual std::string ActiveControlName() const = 0;
    virtual void FocusControl(const std::string& name) = 0;

    // Restarts the timer whose expiry means "the size or position has settled".
    virtual void RestartSettleTimer() = 0;
};

// ---- Pure arithmetic of the form level --------------------------------------------------

struct TOrderItem {
    TAlign Align = TAlign::alNone;
    int Left = 0;
    int Top = 0;
    bool Direct = true;
};
// The rescale order: direct controls by alignment (top by Top ascending, bottom by Top
// descending, left by Left ascending, right by Left descending, client by Left ascending,
// then the rest in walk order; of equal keys the later one first), then nested controls in
// walk order. Returns indices into `items`.
std::vector<int> OrderControls(const std::vector<TOrderItem>& items);

// A screen ratio as the resizer keeps it: a single-precision quotient; 1 when the design
// value is unknown (0).
double ScreenRatio(int current, int design);

// A track limit on one axis: a positive value is used as it is, -p is p percent of the
// screen dimension, 0 is no limit.
int TrackLimit(int value, int screenDimension);

// The largest size with the design aspect that fits the screen.
TSize ProportionalMaxSize(int designWidth, int designHeight, TSize screen);

// After a drag from `start`, the dimension that changed more decides the other one.
TSize KeepProportions(TSize start, TSize now);

// Tile origins of a background image: each tile one pixel further left and up per column
// and row than a plain tiling, until the client area is covered.
std::vector<TPoint> BackgroundTiles(int clientWidth, int clientHeight, int imageWidth,
                                    int imageHeight);

// ---- Per-control record -----------------------------------------------------------------

class TElasticForm;

struct TCaptureFactors {
    double FontYRatio = 1.0;
    double YRatio = 1.0;
    double XRatio = 1.0;
    bool LookForExtraFonts = true;
};

struct TRescaleArgs {
    bool ElasticHorizontal = true;
    bool ElasticVertical = true;
    bool ElasticFont = true;
    bool GridColumnWidthResize = true;
    bool GridRowHeightResize = true;
    bool GridFontResize = true;
    TCaptureFactors Capture;  // for a grid that must be captured again
    double FontFactor = 1.0;
    int BaseClientWidth = 0;
    int BaseClientHeight = 0;
    int ClientWidth = 0;
    int ClientHeight = 0;
};

// Base geometry and fonts of one scaled control.
class TFrame {
public:
    explicit TFrame(TElasticForm* owner, TElasticControl* control);

    void Capture(const TCaptureFactors& f);
    void Rescale(const TRescaleArgs& a);

    TElasticForm* Owner;
    TElasticControl* Control;
    TControlBounds Base;
    bool ScaleFont = true;
    bool Resize = true;
    bool Visible = true;
    double XFactor = 1.0;
    double YFactor = 1.0;
    double FontFactor = 1.0;
    int BaseFontHeight = 0;
    int BaseTitleFontHeight = 0;
    int BaseTabFontHeight = 0;
    struct ExtraFont {
        TFont* Font;
        int BaseHeight;
    };
    std::vector<ExtraFont> ExtraFonts;
    bool IsStatusBar = false;
    std::vector<int> PanelWidths;
    std::vector<int> SectionWidths;
    bool IsToolBar = false;
    int BaseButtonWidth = 0;
    int BaseButtonHeight = 0;
    float ButtonRatio = 1.0f;
    bool IsGrid = false;
    int GridDefaultColWidth = 0;
    int GridDefaultRowHeight = 0;
    int GridColCount = 0;
    std::vector<int> GridColWidths;
    std::vector<int> GridRowHeights;
    double GridRowHeightRatio = 0.0;
    int GridNonRowHeight = 0;

private:
    void CaptureGrid(TElasticGrid& grid, const TCaptureFactors& f);
    void RescaleGridRows(TElasticGrid& grid, int newHeight);
};

// A font height scaled by a factor: RoundHalfDown, keeping the sign and at least 1 pixel
// (0 would mean "the default size" and undo the scaling).
int ScaleFontHeight(int baseHeight, double factor);

// ---- The form-level resizer -------------------------------------------------------------

class TElasticForm : public TComponent {
public:
    // Raises "Owner of TElasticForm component must be a form" or "A TElasticForm component
    // already exists in <form>". `screen` and `store` are not owned. Null screen: the process
    // default (SetDefaultScreenInfo). Null store: the registry under ElFrmIniFile; a given
    // store stands for that key, and each form is a section of it.
    explicit TElasticForm(TElasticHost* host, TScreenInfo* screen = nullptr,
                          TPlacementStore* store = nullptr);
    ~TElasticForm() override;

    bool ElasticHorizontal = true;
    bool ElasticVertical = true;
    bool ElasticFont = true;
    int DesignScreenWidth = 1024;
    int DesignScreenHeight = 768;
    int DesignPixelsPerInch = 96;
    int MaximizedPosX = 0;  // kept for the form description; the window manager decides
    int MaximizedPosY = 0;
    int MinimumTrackWidth() const { return minTrackW_; }
    int MinimumTrackHeight() const { return minTrackH_; }
    int MaximumTrackWidth() const { return maxTrackW_; }
    int MaximumTrackHeight() const { return maxTrackH_; }
    void SetMinimumTrackWidth(int v) {
        minTrackW_ = v;
        UpdateSizeLimits();
    }
    void SetMinimumTrackHeight(int v) {
        minTrackH_ = v;
        UpdateSizeLimits();
    }
    void SetMaximumTrackWidth(int v) {
        maxTrackW_ = v;
        UpdateSizeLimits();
    }
    void SetMaximumTrackHeight(int v) {
        maxTrackH_ = v;
        UpdateSizeLimits();
    }
    // Client sizes throughout: the outer frame belongs to the window manager.
    int DesignFormWidth = 0;
    int DesignFormHeight = 0;
    int DesignFormClientWidth = 0;
    int DesignFormClientHeight = 0;
    int DesignFormLeft = 0;
    int DesignFormTop = 0;
    bool MaintainProportions() const { return maintainProportions_; }
    void SetMaintainProportions(bool v) {
        maintainProportions_ = v;
        UpdateSizeLimits();
    }
    TFont Font;  // the form's font follows it
    bool DBGridSelfResize = false;
    std::string ElFrmIniFile;
    float Version() const { return 503.0f; }
    void SetVersion(float) {}
    bool GridColumnWidthResize = true;
    bool GridRowHeightResize = true;
    bool GridFontResize = true;
    bool FontWarning = true;
    bool LookForExtraFonts = true;
    bool ResolutionIndependence = true;
    std::string EFActiveControl;
    TNotifyEvent OnAfterResize;

    void ExcludeFromFontScaling(TControlKey control);
    // A control that is not on the form is reported with a message and changes nothing.
    void ExcludeFromResizing(TControlKey control);
    // Raise on a store failure; the event paths save best-effort.
    void SaveFormPlacement();
    void RestoreFormPlacement();

    // ---- Events from the binding ----
    // The first-message steps: design screen, control collection, placement, bounds.
    void Initialise();
    // The first show applies the computed bounds once and rescales; later shows rescale
    // only when the size changed meanwhile.
    void HandleShow();
    void HandleResize();
    void HandleMove();
    // The size or position has been stable for the settle interval (the end of a drag).
    void HandleSettled();
    void HandleActivate();
    void HandleMinimise();
    void HandleClose();
    void HandleScreenChange();
    void Rescale();

    // ---- State for the binding and tests ----
    bool Initialised() const { return initialised_; }
    bool Captured() const { return captured_; }
    const std::vector<std::unique_ptr<TFrame>>& Frames() const { return frames_; }
    TFrame* FrameOf(TControlKey control) const;
    double XRatio() const { return xRatio_; }
    double YRatio() const { return yRatio_; }
    int BaseClientWidth() const { return baseClientW_; }
    int BaseClientHeight() const { return baseClientH_; }
    int BaseFontHeight() const { return baseFontHeight_; }
    double FontFactor() const { return fontFactor_; }
    double LastXFactor = 1.0;  // written by the records: the factors last applied
    double LastYFactor = 1.0;
    TElasticHost& Host() const { return *host_; }
    TScreenInfo& Screen() const;
    TPlacementStore* Store();

private:
    std::string Section() const;
    void CollectControls();
    void ApplyPendingExclusions();
    void ComputeFormBounds();
    void CaptureAll();
    void UpdateSizeLimits();
    void SavePlacementQuietly();
    void RestoreFocus();
    TSize ClientSize() const;

    TElasticHost* host_;
    const void* formKey_;  // kept: a binding may destroy its host before this destructor runs
    TScreenInfo* screen_;
    TPlacementStore* store_;
    std::unique_ptr<TPlacementStore> registryStore_;
    std::string registryKey_;
    int minTrackW_ = 0, minTrackH_ = 0, maxTrackW_ = 0, maxTrackH_ = 0;
    bool maintainProportions_ = false;

    std::vector<std::unique_ptr<TElasticControl>> controls_;
    std::vector<std::unique_ptr<TFrame>> frames_;
    std::vector<TControlKey> pendingResizeExclusions_;
    std::vector<TControlKey> pendingFontExclusions_;

    TSize screenSize_;  // the available size the ratios were taken against
    double xRatio_ = 1.0, yRatio_ = 1.0, fontRatio_ = 1.0;
    int scaledFormFontHeight_ = 0;
    int baseClientW_ = 0, baseClientH_ = 0;
    int baseFontHeight_ = 0;
    double fontFactor_ = 1.0;
    TControlBounds computed_;
    bool movePosition_ = false;
    TSize lastRescale_{-1, -1};
    TSize settled_{-1, -1};  // the size when the last drag ended: where the next one starts

    bool initialised_ = false;
    bool shown_ = false;
    bool captured_ = false;
    bool inRescale_ = false;
    bool focusPending_ = true;
    // A stored placement to apply: normal bounds, and maximised at the first activation.
    bool maximisedPending_ = false;
    TControlBounds restored_;
    bool restoredNormal_ = false;
};

// The process-wide screen facts that resizers use when given none (not owned; null
// uninstalls). Without a default the Qt binding asks the form's screen and headless code
// pretends 1024x768.
void SetDefaultScreenInfo(TScreenInfo* screen);
TScreenInfo* DefaultScreenInfo();
