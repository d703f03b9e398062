// Wheel panning's look: the cursor by direction with its dead zone, the shaped picture window
// (magenta see-through) and when it shows.
#include "TreeTestSupport.h"
#include "VirtualTreesPanning.h"

#include "platform/ChildControls.h"
#include "platform/headless/Headless.h"

#include <cstdlib>
#include <string>

namespace {

class PanTree : public TestTree {
public:
    using TBaseVirtualTree::DoExit;
    using TBaseVirtualTree::DoMouseWheel;
    using TBaseVirtualTree::MouseDown;
    using TBaseVirtualTree::MouseMove;
    using TBaseVirtualTree::MouseUp;
};

// A tree taller than its client area; with wide rows also wider.
void Fill(PanTree& tree, bool wide) {
    tree.nodeWidth = wide ? 600 : 30;
    tree.SetDefaultNodeHeight(20);
    tree.SetClientSize(200, 100);
    tree.SetColor(clWhite);
    for (int i = 0; i < 30; ++i) tree.AddChild(nullptr);
}

int Count(const std::vector<TRect>& runs) {
    int n = 0;
    for (const TRect& r : runs) n += r.Width() * r.Height();
    return n;
}

void SavePng(const TBitmap& image, const char* name) {
    if (const char* dir = std::getenv("LORVANE_PNG_DIR"))
        image.SaveToFile(std::string(dir) + "/" + name);
}

}  // namespace

TEST(TreePanning, CursorFollowsTheDirectionBeyondTheDeadZone) {
    // Both axes scroll: the four-way cursor within 8 pixels both ways, then eight directions.
    EXPECT_EQ(PanningCursor(0, 0, true, true), crPanAll);
    EXPECT_EQ(PanningCursor(8, -8, true, true), crPanAll);
    EXPECT_EQ(PanningCursor(-8, 8, true, true), crPanAll);
    EXPECT_EQ(PanningCursor(9, 0, true, true), crPanE);
    EXPECT_EQ(PanningCursor(-9, 8, true, true), crPanW);
    EXPECT_EQ(PanningCursor(3, -9, true, true), crPanN);
    EXPECT_EQ(PanningCursor(-8, 40, true, true), crPanS);
    EXPECT_EQ(PanningCursor(9, -9, true, true), crPanNE);
    EXPECT_EQ(PanningCursor(-9, -30, true, true), crPanNW);
    EXPECT_EQ(PanningCursor(50, 9, true, true), crPanSE);
    EXPECT_EQ(PanningCursor(-9, 9, true, true), crPanSW);
    // Only the vertical axis scrolls: only the vertical distance counts.
    EXPECT_EQ(PanningCursor(0, 0, false, true), crPanNS);
    EXPECT_EQ(PanningCursor(40, 8, false, true), crPanNS);
    EXPECT_EQ(PanningCursor(40, -9, false, true), crPanN);
    EXPECT_EQ(PanningCursor(-40, 9, false, true), crPanS);
    // Only the horizontal one.
    EXPECT_EQ(PanningCursor(0, 0, true, false), crPanEW);
    EXPECT_EQ(PanningCursor(8, 40, true, false), crPanEW);
    EXPECT_EQ(PanningCursor(-9, 40, true, false), crPanW);
    EXPECT_EQ(PanningCursor(9, -40, true, false), crPanE);
}

TEST(TreePanning, PicturesAreShapedByTheirNonMagentaPixels) {
    EXPECT_EQ(PanningPictureName(false, true), "VT_MOVENS");
    EXPECT_EQ(PanningPictureName(true, false), "VT_MOVEEW");
    EXPECT_EQ(PanningPictureName(true, true), "VT_MOVEALL");
    EXPECT_TRUE(PanningPicture("VT_MOVEN").Empty()) << "only the three window pictures";
    EXPECT_TRUE(PictureShape(TBitmap(), PanningTransparent).empty());

    for (const char* name : {"VT_MOVEALL", "VT_MOVEEW", "VT_MOVENS"}) {
        SCOPED_TRACE(name);
        const TBitmap picture = PanningPicture(name);
        ASSERT_EQ(picture.Width(), 32);
        ASSERT_EQ(picture.Height(), 32);
        const std::vector<TRect> shape = PictureShape(picture, PanningTransparent);
        int opaque = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) opaque += picture.Pixel(x, y) != PanningTransparent;
        EXPECT_EQ(Count(shape), opaque);
        for (const TRect& run : shape) {
            EXPECT_EQ(run.Height(), 1);
            for (int x = run.Left; x < run.Right; ++x)
                EXPECT_NE(picture.Pixel(x, run.Top), PanningTransparent);
            // Runs are maximal: what lies beside them is see-through or outside.
            if (run.Left > 0) {
                EXPECT_EQ(picture.Pixel(run.Left - 1, run.Top), PanningTransparent);
            }
            if (run.Right < 32) {
                EXPECT_EQ(picture.Pixel(run.Right, run.Top), PanningTransparent);
            }
        }
        EXPECT_EQ(picture.Pixel(0, 0), PanningTransparent) << "the corners are cut away";
        EXPECT_EQ(picture.Pixel(31, 31), PanningTransparent);
        EXPECT_NE(picture.Pixel(16, 16), PanningTransparent);
        EXPECT_GT(opaque, 500) << "a disc, not a few dots";
    }
    // The arrows point the ways the view can move: dark on the disc where they are.
    auto dark = [](const TBitmap& b, int x, int y) {
        return b.Pixel(x, y) == RGBColor(40, 40, 40);
    };
    const TBitmap ns = PanningPicture("VT_MOVENS"), ew = PanningPicture("VT_MOVEEW");
    EXPECT_TRUE(dark(ns, 15, 7) && dark(ns, 15, 25));
    EXPECT_FALSE(dark(ns, 7, 15) || dark(ns, 25, 15));
    EXPECT_TRUE(dark(ew, 7, 15) && dark(ew, 25, 15));
    EXPECT_FALSE(dark(ew, 15, 7) || dark(ew, 15, 25));
}

TEST(TreePanning, TheWindowShowsWhilePanningAndGoesWhenItStops) {
    PanTree tree;
    Fill(tree, false);
    tree.SetCursor(crHandPoint);
    EXPECT_EQ(tree.PanningWindow(), nullptr);
    tree.MouseDown(mbMiddle, 0, 60, 50);
    tree.MouseUp(mbMiddle, 0, 60, 50);
    const auto* window = dynamic_cast<const TVTPanningWindow*>(tree.PanningWindow());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->Visible());
    EXPECT_EQ(window->PictureName(), "VT_MOVENS") << "the rows are no wider than the tree";
    EXPECT_EQ(ParentControl(*window), &tree);
    EXPECT_EQ(window->Left(), 44);
    EXPECT_EQ(window->Top(), 34);
    EXPECT_EQ(window->Width(), 32);
    EXPECT_EQ(window->Height(), 32);
    EXPECT_TRUE(TransparentForMouse(*window));
    EXPECT_EQ(Count(ControlShape(*window)),
              Count(PictureShape(window->Picture(), PanningTransparent)));
    EXPECT_EQ(tree.ShownCursor(), crPanNS);

    // The tree shows the picture over its rows, the magenta parts cut away.
    TBitmap shot;
    tree.PaintTo(shot);
    SavePng(shot, "tree-panning.png");
    const TPoint origin{tree.ClientOrigin().Left, tree.ClientOrigin().Top};
    EXPECT_EQ(shot.Pixel(origin.X + 60, origin.Y + 50), RGBColor(40, 40, 40)) << "the centre dot";
    EXPECT_EQ(shot.Pixel(origin.X + 44, origin.Y + 34), clWhite) << "a cut-away corner";
    EXPECT_EQ(shot.Pixel(origin.X + 59, origin.Y + 41), RGBColor(40, 40, 40)) << "north arrow";

    // The cursor follows the mouse; sideways moves do not count, nothing scrolls that way.
    tree.MouseMove(0, 60, 80);
    EXPECT_EQ(tree.ShownCursor(), crPanS);
    tree.MouseMove(0, 60, 20);
    EXPECT_EQ(tree.ShownCursor(), crPanN);
    tree.MouseMove(0, 120, 55);
    EXPECT_EQ(tree.ShownCursor(), crPanNS);
    ASSERT_NE(tree.PanningWindow(), nullptr) << "after a click, moving pans on";
    EXPECT_TRUE(tree.TimerActive(TBaseVirtualTree::ScrollTimer));

    const int beeps = TreeBeepCount();
    tree.MouseDown(mbLeft, 0, 120, 55);  // any press ends panning
    EXPECT_EQ(tree.PanningWindow(), nullptr);
    EXPECT_EQ(tree.ShownCursor(), crHandPoint) << "the tree's own cursor is back";
    tree.MouseUp(mbLeft, 0, 120, 55);
    EXPECT_EQ(TreeBeepCount(), beeps) << "no beep while panning";
    tree.PaintTo(shot);
    EXPECT_EQ(shot.Pixel(origin.X + 60, origin.Y + 50), clWhite) << "the picture is gone";
}

TEST(TreePanning, WideTreesPanBothWaysAndStopOnReleaseFocusAndWheel) {
    PanTree tree;
    Fill(tree, true);
    tree.MouseDown(mbMiddle, 0, 100, 50);
    const auto* window = dynamic_cast<const TVTPanningWindow*>(tree.PanningWindow());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->PictureName(), "VT_MOVEALL");
    EXPECT_EQ(tree.ShownCursor(), crPanAll);
    TBitmap shot;
    tree.PaintTo(shot);
    SavePng(shot, "tree-panning-all.png");
    tree.MouseMove(ssMiddle, 130, 20);
    EXPECT_EQ(tree.ShownCursor(), crPanNE);
    tree.MouseMove(ssMiddle, 70, 52);
    EXPECT_EQ(tree.ShownCursor(), crPanW);
    // A drag past the threshold: the release ends it.
    tree.MouseUp(mbMiddle, 0, 70, 52);
    EXPECT_EQ(tree.PanningWindow(), nullptr);
    EXPECT_EQ(tree.ShownCursor(), crDefault);

    tree.MouseDown(mbMiddle, 0, 100, 50);
    tree.MouseUp(mbMiddle, 0, 100, 50);
    ASSERT_NE(tree.PanningWindow(), nullptr);
    tree.DoExit();
    EXPECT_EQ(tree.PanningWindow(), nullptr) << "losing the focus stops panning";

    tree.MouseDown(mbMiddle, 0, 100, 50);
    tree.MouseUp(mbMiddle, 0, 100, 50);
    ASSERT_NE(tree.PanningWindow(), nullptr);
    tree.DoMouseWheel(0, -120, {100, 50});
    EXPECT_EQ(tree.PanningWindow(), nullptr) << "the wheel stops it";

    // A tree that goes while panning takes its window along.
    auto doomed = std::make_unique<PanTree>();
    Fill(*doomed, true);
    doomed->MouseDown(mbMiddle, 0, 100, 50);
    ASSERT_NE(doomed->PanningWindow(), nullptr);
    doomed.reset();
    SetHeadlessMousePosition({-1, -1});
}
