// The resizer's arithmetic and state machine, driven through fake controls and a fake form.
#include "ElastFrm.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "ElasticFakes.h"
#include "ScriptedMessages.h"
#include "TempDir.h"
#include "platform/Exceptions.h"
#include "platform/Registry.h"

namespace {

// ---- Rounding ---------------------------------------------------------------------------

TEST(ElasticRounding, HalfDownTruncatesHalvesAndNegatives) {
    EXPECT_EQ(RoundHalfDown(2.5), 2);
    EXPECT_EQ(RoundHalfDown(2.51), 3);
    EXPECT_EQ(RoundHalfDown(3.5), 3);
    EXPECT_EQ(RoundHalfDown(2.4), 2);
    EXPECT_EQ(RoundHalfDown(0.5), 0);
    EXPECT_EQ(RoundHalfDown(-2.7), -2);
    EXPECT_EQ(RoundHalfDown(-12.5), -12);
    EXPECT_EQ(RoundHalfDown(-15.0), -15);
}

TEST(ElasticRounding, GeometryRoundsHalfToEven) {
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(4.5), 4);
    EXPECT_EQ(RoundHalfEven(7.5), 8);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(-3.5), -4);
    EXPECT_EQ(RoundHalfEven(489.56), 490);
}

TEST(ElasticRounding, NonFiniteValuesNeverReachAnInteger) {
    EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
    EXPECT_EQ(RoundHalfDown(std::nan("")), 0);
    EXPECT_EQ(RoundHalfEven(1e300), INT_MAX);
    EXPECT_EQ(TruncToInt(-1e300), INT_MIN);
}

// ---- One record -------------------------------------------------------------------------

TRescaleArgs Args(int baseW, int baseH, int w, int h, double fontFactor = 1.0) {
    TRescaleArgs a;
    a.BaseClientWidth = baseW;
    a.BaseClientHeight = baseH;
    a.ClientWidth = w;
    a.ClientHeight = h;
    a.FontFactor = fontFactor;
    return a;
}

struct RecordTest : ::testing::Test {
    FakeControl control{"Edit1", {10, 20, 100, 30}};
    TFrame frame{nullptr, &control};
    void Capture(double x = 1.0, double y = 1.0) { frame.Capture({y, y, x, true}); }
};

TEST_F(RecordTest, OwnFontScalesHalfDown) {
    control.fontHeight = -12;
    Capture();
    frame.Rescale(Args(400, 300, 500, 375, 1.25));
    EXPECT_EQ(control.fontHeight, -15);

    control.fontHeight = -10;
    Capture();
    frame.Rescale(Args(400, 300, 500, 375, 1.25));
    EXPECT_EQ(control.fontHeight, -12);  // -12.5 is truncated toward zero
}

TEST_F(RecordTest, FontExclusionsAndInheritedFonts) {
    control.fontHeight = -12;
    Capture();
    frame.ScaleFont = false;
    frame.Rescale(Args(400, 300, 800, 600, 2.0));
    EXPECT_EQ(control.fontHeight, -12);

    frame.ScaleFont = true;
    TRescaleArgs a = Args(400, 300, 800, 600, 2.0);
    a.ElasticFont = false;
    frame.Rescale(a);
    EXPECT_EQ(control.fontHeight, -12);

    control.parentFont = true;  // follows the form's font instead
    control.fontHeight = -7;
    frame.Rescale(Args(400, 300, 800, 600, 2.0));
    EXPECT_EQ(control.fontHeight, -7);
}

TEST_F(RecordTest, TinyFactorsKeepAtLeastOnePixelOfFont) {
    control.fontHeight = -12;
    Capture();
    frame.Rescale(Args(400, 300, 4, 3, 0.01));
    EXPECT_EQ(control.fontHeight, -1);
    EXPECT_EQ(ScaleFontHeight(9, 0.01), 1);
    EXPECT_EQ(ScaleFontHeight(0, 3.0), 0);
}

TEST_F(RecordTest, GeometryFollowsTheClientWithOrdinaryRounding) {
    Capture();
    frame.Rescale(Args(400, 300, 600, 450));
    EXPECT_EQ(control.bounds, (TControlBounds{15, 30, 150, 45}));

    FakeControl a("A", {3, 0, 10, 10}), b("B", {5, 0, 10, 10});
    TFrame fa(nullptr, &a), fb(nullptr, &b);
    fa.Capture({});
    fb.Capture({});
    fa.Rescale(Args(200, 100, 300, 100));
    fb.Rescale(Args(200, 100, 300, 100));
    EXPECT_EQ(a.bounds.Left, 4);  // 4.5 rounds to even
    EXPECT_EQ(b.bounds.Left, 8);  // 7.5 rounds to even
}

TEST_F(RecordTest, ExcludedControlAlwaysReturnsToItsBase) {
    Capture();
    frame.Resize = false;
    control.fontHeight = -9;
    frame.Rescale(Args(400, 300, 300, 200, 0.6));
    EXPECT_EQ(control.bounds, frame.Base);
    control.bounds = {1, 2, 3, 4};
    frame.Rescale(Args(400, 300, 900, 700, 2.2));
    EXPECT_EQ(control.bounds, (TControlBounds{10, 20, 100, 30}));
    EXPECT_EQ(control.fontHeight, -9);  // nothing more than the bounds
}

TEST_F(RecordTest, AxesThatAreNotElasticKeepTheirBase) {
    Capture();
    TRescaleArgs a = Args(400, 300, 800, 600);
    a.ElasticHorizontal = false;
    frame.Rescale(a);
    EXPECT_EQ(control.bounds, (TControlBounds{10, 40, 100, 60}));
    EXPECT_DOUBLE_EQ(frame.XFactor, 1.0);

    a = Args(400, 300, 800, 600);
    a.ElasticVertical = false;
    frame.Rescale(a);
    EXPECT_EQ(control.bounds, (TControlBounds{20, 20, 200, 30}));
}

TEST_F(RecordTest, CaptureAppliesTheScreenRatios) {
    control.bounds = {100, 40, 200, 20};
    control.fontHeight = -13;
    frame.Capture({0.75, 0.75, 0.8, true});
    EXPECT_EQ(frame.Base, (TControlBounds{80, 30, 160, 15}));
    EXPECT_EQ(frame.BaseFontHeight, -9);  // Trunc(-9.75)
}

TEST_F(RecordTest, ZeroBaseClientKeepsFactorOne) {
    Capture();
    frame.Rescale(Args(0, 0, 640, 480));
    EXPECT_EQ(control.bounds, (TControlBounds{10, 20, 100, 30}));
    EXPECT_DOUBLE_EQ(frame.XFactor, 1.0);
    EXPECT_DOUBLE_EQ(frame.YFactor, 1.0);
}

TEST_F(RecordTest, ExtraAndTitleFontsScaleLikeTheOwnFont) {
    TFont header, title;
    header.SetHeight(-12);
    title.SetHeight(-10);
    control.extraFonts = {&header};
    control.titleFont = &title;
    Capture();
    frame.Rescale(Args(400, 300, 500, 375, 1.25));
    EXPECT_EQ(header.Height(), -15);
    EXPECT_EQ(title.Height(), -12);

    header.SetHeight(-12);
    frame.Capture({1.0, 1.0, 1.0, false});  // the search for extra fonts is off
    frame.Rescale(Args(400, 300, 800, 600, 2.0));
    EXPECT_EQ(header.Height(), -12);
}

TEST_F(RecordTest, LabelsRecomputeTheirSizeKeepingTheCorner) {
    control.label = true;
    control.hintWidth = 77;
    control.hintHeight = 19;
    Capture();
    frame.Rescale(Args(400, 300, 800, 600, 2.0));
    EXPECT_EQ(control.adjusted, 1);
    EXPECT_EQ(control.bounds, (TControlBounds{20, 40, 77, 19}));
}

TEST_F(RecordTest, PanelsAndSectionsScaleWithTheWidthOnly) {
    control.panels = std::make_unique<FakeWidths>(std::vector<int>{100, 51});
    control.sections = std::make_unique<FakeWidths>(std::vector<int>{80, 40});
    frame.Capture({0.5, 0.5, 0.8, true});
    EXPECT_EQ(control.panels->widths, (std::vector<int>{80, 41}));  // written back at capture
    EXPECT_EQ(frame.SectionWidths, (std::vector<int>{64, 32}));     // not X times Y
    frame.Rescale(Args(400, 300, 600, 300));
    EXPECT_EQ(control.panels->widths, (std::vector<int>{120, 62}));
    EXPECT_EQ(control.sections->widths, (std::vector<int>{96, 48}));
}

TEST_F(RecordTest, ToolBarButtonsKeepTheirAspectAndNoFontScaling) {
    control.toolBar = std::make_unique<FakeToolBar>();
    control.toolBar->width = 40;
    control.toolBar->height = 30;
    control.fontHeight = -12;
    control.parentFont = true;
    Capture();
    EXPECT_FALSE(control.parentFont);
    frame.Rescale(Args(400, 300, 500, 300, 1.25));
    EXPECT_EQ(control.toolBar->width, 50);
    EXPECT_EQ(control.toolBar->height, 37);  // Trunc(50 * 0.75)
    EXPECT_EQ(control.fontHeight, -12);
}

TEST_F(RecordTest, GridColumnsRowsAndTheTextFloor) {
    control.grid = std::make_unique<FakeGrid>();
    control.grid->cols = {50, 70};
    control.grid->rows = {20, 20, 40};
    control.grid->defaultRow = 12;  // below the text height: raised at capture
    control.bounds = {0, 0, 200, 100};
    control.parentFont = true;
    Capture();
    EXPECT_FALSE(control.parentFont);
    EXPECT_EQ(frame.GridDefaultRowHeight, 17);
    EXPECT_EQ(frame.GridNonRowHeight, 20);

    frame.Rescale(Args(200, 100, 300, 180));
    EXPECT_EQ(control.grid->cols, (std::vector<int>{75, 105}));
    EXPECT_EQ(control.grid->defaultCol, 96);
    // Rows take the row part of the new height: (180 - 20) / (100 - 20) = 2.
    EXPECT_EQ(control.grid->rows, (std::vector<int>{40, 40, 80}));
    EXPECT_EQ(control.grid->defaultRow, 34);

    control.grid->cols.push_back(30);  // a new column: captured again before scaling
    frame.Rescale(Args(200, 100, 300, 180));
    EXPECT_EQ(frame.GridColCount, 3);
    EXPECT_EQ(control.grid->cols.size(), 3u);
}

// ---- Pure form-level arithmetic ---------------------------------------------------------

TEST(ElasticOrder, AlignmentGroupsThenWalkOrder) {
    using A = TAlign;
    std::vector<TOrderItem> items = {
        {A::alNone, 0, 0, true},      // I
        {A::alTop, 0, 50, true},      // A
        {A::alBottom, 0, 300, true},  // C
        {A::alLeft, 30, 0, true},     // E
        {A::alClient, 0, 0, true},    // H
        {A::alTop, 0, 10, true},      // B
        {A::alBottom, 0, 400, true},  // D
        {A::alRight, 500, 0, true},   // F
        {A::alRight, 600, 0, true},   // G
        {A::alNone, 0, 0, true},      // J
        {A::alTop, 0, 0, false},      // nested: walk order, after all direct ones
    };
    const char* names = "IACEHBDFGJn";
    std::string got;
    for (int i : OrderControls(items)) got += names[i];
    EXPECT_EQ(got, "BADCEGFHIJn");

    // Equal keys: the one found later comes first.
    std::vector<TOrderItem> tie = {{A::alTop, 0, 5, true}, {A::alTop, 0, 5, true}};
    EXPECT_EQ(OrderControls(tie), (std::vector<int>{1, 0}));
}

TEST(ElasticScreen, RatiosAreSinglePrecision) {
    EXPECT_NEAR(ScreenRatio(1024, 1255), 0.815936267, 1e-9);
    EXPECT_NEAR(ScreenRatio(768, 1004), 0.764940261, 1e-9);
    EXPECT_DOUBLE_EQ(ScreenRatio(1024, 0), 1.0);
}

TEST(ElasticScreen, TrackLimits) {
    EXPECT_EQ(TrackLimit(-50, 1024), 512);
    EXPECT_EQ(TrackLimit(-55, 1280), 704);
    EXPECT_EQ(TrackLimit(-90, 640), 576);
    EXPECT_EQ(TrackLimit(-80, 480), 384);
    EXPECT_EQ(TrackLimit(700, 1024), 700);
    EXPECT_EQ(TrackLimit(0, 1024), 0);
}

TEST(ElasticScreen, ProportionsAndBackgroundTiles) {
    EXPECT_EQ(KeepProportions({400, 300}, {500, 310}), (TSize{500, 375}));
    EXPECT_EQ(KeepProportions({400, 300}, {410, 450}), (TSize{600, 450}));
    EXPECT_EQ(KeepProportions({0, 300}, {410, 450}), (TSize{410, 450}));
    EXPECT_EQ(ProportionalMaxSize(800, 400, {1024, 768}), (TSize{1018, 509}));
    EXPECT_EQ(ProportionalMaxSize(400, 400, {1024, 768}), (TSize{763, 763}));

    auto tiles = BackgroundTiles(25, 10, 10, 10);
    ASSERT_EQ(tiles.size(), 3u * 2u);  // x 0, 9, 18 cover the width; y 0, 9
    EXPECT_EQ(tiles[1].X, 9);
    EXPECT_EQ(tiles.back().Y, 9);
    EXPECT_TRUE(BackgroundTiles(100, 100, 0, 10).empty());
    EXPECT_LE(BackgroundTiles(100000, 100000, 1, 1).size(), 100000u);
}

// ---- The form-level resizer -------------------------------------------------------------

struct FormTest : ::testing::Test {
    TFixedScreenInfo screen{1024, 768};
    MemoryStore store;
    FakeHost host;
    std::unique_ptr<TElasticForm> form;
    int afterResize = 0;

    TElasticForm& Make() {
        form = std::make_unique<TElasticForm>(&host, &screen, &store);
        form->OnAfterResize = [this](TObject*) { ++afterResize; };
        return *form;
    }
};

TEST_F(FormTest, ConstructionErrors) {
    FakeHost notAForm;
    notAForm.isForm = false;
    try {
        TElasticForm f(&notAForm, &screen);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Owner of TElasticForm component must be a form");
    }
    EXPECT_THROW(TElasticForm(nullptr), Exception);
    Make();
    try {
        TElasticForm second(&host, &screen);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "A TElasticForm component already exists in Form1");
    }
    form.reset();
    EXPECT_NO_THROW(TElasticForm again(&host, &screen));  // the form is free again
}

TEST_F(FormTest, DesignScreenRatiosScaleTheOpeningBounds) {
    screen.SetSize(1024, 768);
    host.bounds = {100, 80, 600, 410};
    TElasticForm& f = Make();
    f.DesignScreenWidth = 1255;
    f.DesignScreenHeight = 1004;
    f.HandleShow();
    EXPECT_EQ(host.bounds, (TControlBounds{82, 61, 490, 314}));
    EXPECT_EQ(f.BaseClientWidth(), 490);
    EXPECT_EQ(f.BaseClientHeight(), 314);

    FakeHost other("Form2", {0, 0, 608, 437});
    TElasticForm g(&other, &screen);
    g.DesignScreenWidth = 1255;
    g.DesignScreenHeight = 1004;
    g.HandleShow();
    EXPECT_EQ(other.bounds.Width, 496);
    EXPECT_EQ(other.bounds.Height, 334);
}

TEST_F(FormTest, WithoutResolutionIndependenceTheDesignBoundsStay) {
    screen.SetSize(1600, 1000);
    host.bounds = {100, 80, 600, 410};
    TElasticForm& f = Make();
    f.ResolutionIndependence = false;
    f.DesignScreenWidth = 1255;
    f.HandleShow();
    EXPECT_EQ(host.bounds, (TControlBounds{100, 80, 600, 410}));
    EXPECT_DOUBLE_EQ(f.XRatio(), 1.0);
    EXPECT_EQ(f.DesignScreenWidth, 1600);
}

TEST_F(FormTest, CentringAndOffScreenCorrection) {
    host.position = TFormPosition::poScreenCenter;
    host.bounds = {0, 0, 400, 300};
    Make().HandleShow();
    EXPECT_EQ(host.bounds, (TControlBounds{312, 234, 400, 300}));

    FakeHost far("Far", {900, -20, 400, 300});
    TElasticForm g(&far, &screen);
    g.HandleShow();
    EXPECT_EQ(far.bounds.Left, 312);
    EXPECT_EQ(far.bounds.Top, 0);
}

TEST_F(FormTest, SettledResizeRescalesOnceAndFiresAfterResize) {
    FakeControl* edit = host.Add("Edit1", {10, 20, 100, 30});
    TElasticForm& f = Make();
    f.HandleShow();
    EXPECT_EQ(afterResize, 1);

    host.Resize(600, 450);  // both axes change a lot: at once
    f.HandleResize();
    EXPECT_EQ(afterResize, 2);
    EXPECT_EQ(host.settleRestarts, 1);
    f.HandleSettled();
    EXPECT_EQ(afterResize, 2);
    EXPECT_EQ(edit->bounds, (TControlBounds{15, 30, 150, 45}));

    host.Resize(640, 450);  // only the width: after it settles
    f.HandleResize();
    EXPECT_EQ(afterResize, 2);
    f.HandleSettled();
    EXPECT_EQ(afterResize, 3);
    EXPECT_EQ(edit->bounds, (TControlBounds{16, 30, 160, 45}));
    EXPECT_TRUE(host.updatesEnabled);
}

TEST_F(FormTest, FontFactorUsesTheSmallerRatio) {
    FakeControl* edit = host.Add("Edit1", {10, 20, 100, 30});
    edit->fontHeight = -12;
    host.fontHeight = -12;
    TElasticForm& f = Make();
    f.HandleShow();
    host.Resize(800, 450);
    f.HandleResize();
    EXPECT_DOUBLE_EQ(f.FontFactor(), 1.5);
    EXPECT_EQ(edit->fontHeight, -18);
    EXPECT_EQ(host.fontHeight, -18);  // the form's font follows

    // Heights that stay put leave the text no room to grow: a wider form keeps it; a narrower
    // one, whose controls shrink, shrinks it with them.
    f.ElasticVertical = false;
    host.Resize(1000, 700);
    f.HandleResize();
    EXPECT_DOUBLE_EQ(f.FontFactor(), 1.0);
    EXPECT_EQ(edit->fontHeight, -12);
    EXPECT_EQ(edit->bounds.Height, 30);
    host.Resize(200, 150);
    f.HandleResize();
    EXPECT_DOUBLE_EQ(f.FontFactor(), 0.5);
    EXPECT_EQ(edit->fontHeight, -6);

    f.ElasticFont = false;
    host.Resize(1000, 700);
    f.HandleResize();
    EXPECT_EQ(edit->fontHeight, -6);
}

TEST_F(FormTest, ZeroSizesNeitherDivideByZeroNorZeroTheFont) {
    // A form collapsed to nothing keeps one pixel of font, and comes back whole.
    FakeControl* edit = host.Add("Edit1", {10, 20, 100, 30});
    edit->fontHeight = -12;
    TElasticForm& f = Make();
    f.HandleShow();
    host.Resize(0, 0);
    f.HandleResize();
    f.HandleSettled();
    EXPECT_EQ(edit->fontHeight, -1);
    EXPECT_LT(host.fontHeight, 0);
    EXPECT_EQ(edit->bounds, (TControlBounds{0, 0, 0, 0}));
    host.Resize(400, 300);
    f.HandleResize();
    EXPECT_EQ(edit->fontHeight, -12);
    EXPECT_EQ(edit->bounds, (TControlBounds{10, 20, 100, 30}));

    // A form without a design size and a screen that reports none keep every factor at 1.
    TFixedScreenInfo none(0, 0);
    FakeHost empty("Empty", {0, 0, 0, 0});
    FakeControl* label = empty.Add("Label1", {5, 5, 50, 10});
    label->fontHeight = -9;
    TElasticForm g(&empty, &none);
    g.HandleShow();
    empty.Resize(300, 200);
    g.HandleResize();
    g.HandleSettled();
    EXPECT_DOUBLE_EQ(g.XRatio(), 1.0);
    EXPECT_DOUBLE_EQ(g.FontFactor(), 1.0);
    EXPECT_EQ(label->fontHeight, -9);
    EXPECT_EQ(label->bounds, (TControlBounds{5, 5, 50, 10}));
}

TEST_F(FormTest, ExclusionsAskedBeforeTheRecordsExistAreKept) {
    FakeControl* bar = host.Add("ToolBar1", {0, 0, 400, 30});
    FakeControl* tree = host.Add("Tree1", {0, 30, 400, 270});
    bar->parentFont = tree->parentFont = true;
    TElasticForm& f = Make();
    f.ExcludeFromResizing(bar);
    f.ExcludeFromFontScaling(tree);
    EXPECT_FALSE(bar->parentFont);
    EXPECT_FALSE(tree->parentFont);
    tree->fontHeight = -11;
    f.HandleShow();
    host.Resize(800, 600);
    f.HandleResize();
    EXPECT_EQ(bar->bounds, (TControlBounds{0, 0, 400, 30}));
    EXPECT_EQ(tree->bounds, (TControlBounds{0, 60, 800, 540}));
    EXPECT_EQ(tree->fontHeight, -11);
}

TEST_F(FormTest, ExcludingAStrangerShowsAMessageAndChangesNothing) {
    ScriptedMessages messages;
    host.Add("Edit1", {10, 20, 100, 30});
    FakeControl stranger("X", {0, 0, 1, 1});
    TElasticForm& f = Make();
    f.ExcludeFromResizing(&stranger);
    EXPECT_EQ(messages.LastText(), "Control X is not a member of Form1");
    stranger.parentFont = true;
    f.ExcludeFromFontScaling(&stranger);
    EXPECT_TRUE(stranger.parentFont);
    f.HandleShow();
    for (const auto& frame : f.Frames()) EXPECT_TRUE(frame->Resize);
}

TEST_F(FormTest, ProgramVisibilitySurvivesResizes) {
    FakeControl* edit = host.Add("Edit1", {10, 20, 100, 30});
    TElasticForm& f = Make();
    f.HandleShow();
    edit->visible = false;
    host.Resize(800, 600);
    f.HandleResize();
    f.HandleSettled();
    EXPECT_FALSE(edit->visible);
}

TEST_F(FormTest, MaintainProportionsAfterADrag) {
    TElasticForm& f = Make();
    f.SetMaintainProportions(true);
    ASSERT_TRUE(f.MaintainProportions());
    f.HandleShow();
    host.Resize(500, 310);
    f.HandleResize();
    f.HandleSettled();
    EXPECT_EQ(host.bounds.Width, 500);
    EXPECT_EQ(host.bounds.Height, 375);
    ASSERT_EQ(host.limits.size(), 4u);
    EXPECT_EQ(host.limits[2], 1018);  // the largest 4:3 size on the screen
}

TEST_F(FormTest, TrackLimitsReachTheHost) {
    TElasticForm& f = Make();
    f.SetMinimumTrackWidth(-50);
    f.SetMinimumTrackHeight(200);
    f.Initialise();
    EXPECT_EQ(host.limits, (std::vector<int>{512, 200, 0, 0}));
    f.SetMaximumTrackHeight(-90);
    EXPECT_EQ(host.limits, (std::vector<int>{512, 200, 0, 691}));
    f.SetMaximumTrackWidth(800);
    EXPECT_EQ(host.limits, (std::vector<int>{512, 200, 800, 691}));
    // A negative limit stays a share of the screen as given.
    EXPECT_EQ(f.MinimumTrackWidth(), -50);
    EXPECT_EQ(f.MinimumTrackHeight(), 200);
    EXPECT_EQ(f.MaximumTrackWidth(), 800);
    EXPECT_EQ(f.MaximumTrackHeight(), -90);
}

TEST_F(FormTest, ActiveControlGetsTheFocusBack) {
    host.Add("Edit1", {10, 20, 100, 30});
    TElasticForm& f = Make();
    f.EFActiveControl = "Edit1";
    f.HandleShow();
    ASSERT_FALSE(host.focused.empty());
    EXPECT_EQ(host.focused.front(), "Edit1");
    host.active = "Memo1";
    f.HandleMinimise();
    EXPECT_EQ(f.EFActiveControl, "Memo1");
}

TEST_F(FormTest, ScreenChangeScalesTheFormAndRescales) {
    host.Add("Edit1", {10, 20, 100, 30});
    host.bounds = {100, 100, 400, 300};
    TElasticForm& f = Make();
    f.HandleShow();
    screen.SetSize(2048, 1536);
    f.HandleScreenChange();
    EXPECT_EQ(host.bounds, (TControlBounds{200, 200, 800, 600}));
    EXPECT_EQ(host.controls[0]->bounds, (TControlBounds{20, 40, 200, 60}));
}

// ---- Placement --------------------------------------------------------------------------

constexpr const char* kSection = "MainForm";

struct PlacementTest : FormTest {
    PlacementTest() {
        host.name = "MainForm";
        host.Add("Tree1", {0, 30, 400, 250});
        host.Add("Status1", {0, 280, 400, 20});
    }
    // A form that keeps its placement, shown.
    TElasticForm& Shown() {
        TElasticForm& f = Make();
        f.ElFrmIniFile = "Software\\PellTech\\Lorvane";
        f.HandleShow();
        return f;
    }
    // The saved window: moved, its status bar hidden by the program, closed.
    void SaveMovedWindow() {
        TElasticForm& f = Shown();
        host.bounds = {100, 50, 800, 600};
        host.controls[1]->visible = false;
        f.HandleClose();
    }
};

TEST_F(PlacementTest, SavesANormalWindowAsFractions) {
    SaveMovedWindow();
    EXPECT_EQ(store.Get<int>(kSection, "Window State"), 0);
    EXPECT_DOUBLE_EQ(store.Get<double>(kSection, "Left"), 0.09765625);
    EXPECT_DOUBLE_EQ(store.Get<double>(kSection, "Top"), 50.0 / 768);
    EXPECT_DOUBLE_EQ(store.Get<double>(kSection, "Width"), 0.78125);
    EXPECT_DOUBLE_EQ(store.Get<double>(kSection, "Height"), 0.78125);
    EXPECT_EQ(store.Get<int>(kSection, "Total Controls"), 2);
    EXPECT_TRUE(store.Get<bool>(kSection, "Visible 0"));
    EXPECT_FALSE(store.Get<bool>(kSection, "Visible 1"));
    EXPECT_EQ(store.Get<int>(kSection, "wp length "), 44);
    EXPECT_EQ(store.Get<int>(kSection, "wp NormPosRight"), 900);
    EXPECT_EQ(store.commits, 1);
}

TEST_F(PlacementTest, SavesAMaximisedWindowWithoutFractionsOrLimits) {
    TElasticForm& f = Make();
    f.ElFrmIniFile = "Software\\PellTech\\Lorvane";
    f.SetMaximumTrackWidth(-97);
    f.HandleShow();
    host.ShowMaximized();
    f.SaveFormPlacement();
    EXPECT_EQ(store.Get<int>(kSection, "Window State"), 2);
    EXPECT_FALSE(store.Has(kSection, "Left"));
    EXPECT_EQ(store.Get<int>(kSection, "MaxTrackWidth"), 0);
    EXPECT_EQ(store.Get<int>(kSection, "MaxTrackHeight"), 0);
    EXPECT_EQ(store.Get<int>(kSection, "wp showCmd"), 3);
}

TEST_F(PlacementTest, NoPathNoStore) {
    TElasticForm& f = Make();
    f.HandleShow();
    f.HandleClose();
    EXPECT_TRUE(store.data.empty());
}

TEST_F(PlacementTest, RoundTripIsExact) {
    SaveMovedWindow();
    form.reset();
    FakeHost next("MainForm", {0, 0, 400, 300});
    FakeControl* tree = next.Add("Tree1", {0, 30, 400, 250});
    FakeControl* status = next.Add("Status1", {0, 280, 400, 20});
    TElasticForm f(&next, &screen, &store);
    f.ElFrmIniFile = "Software\\PellTech\\Lorvane";
    f.HandleShow();
    EXPECT_EQ(next.bounds, (TControlBounds{100, 50, 800, 600}));
    EXPECT_TRUE(tree->visible);
    EXPECT_FALSE(status->visible);
    // Saving again without a change writes the same fractions: no creeping.
    f.HandleClose();
    EXPECT_DOUBLE_EQ(store.Get<double>(kSection, "Top"), 50.0 / 768);
}

TEST_F(PlacementTest, AnotherControlCountIgnoresThePlacement) {
    store.data[kSection] = {{"Total Controls", 2}, {"Window State", 0}, {"Left", 0.5},
                            {"Top", 0.5},          {"Width", 0.25},     {"Height", 0.25}};
    host.Add("Extra", {0, 0, 10, 10});
    Shown();
    EXPECT_EQ(host.bounds, (TControlBounds{0, 0, 400, 300}));
}

TEST_F(PlacementTest, DamagedFractionsDoNotShrinkTheWindow) {
    store.data[kSection] = {{"Total Controls", 2}, {"Window State", 0}, {"Left", 0.5}};
    Shown();
    EXPECT_EQ(host.bounds, (TControlBounds{0, 0, 400, 300}));
}

TEST_F(PlacementTest, StoredMaximisedStateMaximisesAtFirstActivation) {
    store.data[kSection] = {{"Total Controls", 2},    {"Window State", 2},
                            {"wp NormPosLeft", 10},   {"wp NormPosTop", 20},
                            {"wp NormPosRight", 510}, {"wp NormPosBottom", 420}};
    TElasticForm& f = Shown();
    EXPECT_EQ(host.maximiseCalls, 0);
    EXPECT_EQ(host.bounds, (TControlBounds{10, 20, 500, 400}));  // the normal geometry
    f.HandleActivate();
    EXPECT_EQ(host.maximiseCalls, 1);
    f.HandleActivate();
    EXPECT_EQ(host.maximiseCalls, 1);
}

TEST_F(PlacementTest, FailingStoreIsQuietOnEventsButRaisesWhenAsked) {
    TElasticForm& f = Shown();
    store.failWrites = true;
    host.Resize(800, 600);
    EXPECT_NO_THROW(f.HandleResize());
    EXPECT_NO_THROW(f.HandleSettled());
    EXPECT_NO_THROW(f.HandleClose());
    EXPECT_THROW(f.SaveFormPlacement(), std::runtime_error);
}

TEST(ElasticRegistry, WithoutAStoreThePlacementGoesToTheRegistryKey) {
    TempDir dir;
    SetRegistryFileName(dir.File("registry.reg"));
    TFixedScreenInfo screen{1024, 768};
    {
        FakeHost host("MainForm");
        TElasticForm f(&host, &screen);
        f.ElFrmIniFile = "Software\\PellTech\\Lorvane";
        f.HandleShow();
        host.bounds = {100, 50, 800, 600};
        f.HandleClose();
    }
    TRegValue v;
    EXPECT_EQ(Registry()->QueryValue(TRegRoot::CurrentUser, "Software\\PellTech\\Lorvane\\MainForm",
                                     "Window State", v),
              ERROR_SUCCESS);
    FakeHost next("MainForm");
    TElasticForm f(&next, &screen);
    f.ElFrmIniFile = "Software\\PellTech\\Lorvane";
    f.HandleShow();
    EXPECT_EQ(next.bounds, (TControlBounds{100, 50, 800, 600}));
    SetRegistryFileName("");
}

}  // namespace
