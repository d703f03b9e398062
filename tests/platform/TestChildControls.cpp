// Controls inside controls over Qt: the child's widget lies in the parent's client area, shaped
// and letting the mouse through.
#include <gtest/gtest.h>

#include <QRegion>
#include <QWidget>

#include "platform/ChildControls.h"
#include "platform/qt/ControlHost.h"

namespace {

class Filled : public TCustomControl {
public:
    explicit Filled(TColor color) { SetColor(color); }
};

}  // namespace

TEST(ChildControls, AChildIsDrawnShapedOverItsParent) {
    EnsureGuiApplication();
    Filled parent(clWhite), child(clRed);
    parent.SetBounds(0, 0, 100, 80);
    parent.HandleNeeded();
    parent.Show();
    SetParentControl(child, &parent);
    child.Show();
    EXPECT_EQ(ParentControl(child), &parent);
    EXPECT_TRUE(child.Visible());
    EXPECT_TRUE(HostWidget(parent)->isAncestorOf(HostWidget(child)));
    child.SetBounds(10, 20, 8, 4);
    // Two runs of a shape: the top row's left half and the bottom row whole.
    SetControlShape(child, {{0, 0, 4, 1}, {0, 3, 8, 4}});
    EXPECT_EQ(ControlShape(child).size(), 2u);
    EXPECT_EQ(HostWidget(child)->mask(), QRegion(0, 0, 4, 1) + QRegion(0, 3, 8, 1));
    SetTransparentForMouse(child, true);
    EXPECT_TRUE(TransparentForMouse(child));
    EXPECT_TRUE(HostWidget(child)->testAttribute(Qt::WA_TransparentForMouseEvents));

    TBitmap shot;
    parent.PaintTo(shot);
    ASSERT_FALSE(shot.Empty());
    EXPECT_EQ(shot.Pixel(10, 20), clRed);
    EXPECT_EQ(shot.Pixel(13, 20), clRed);
    EXPECT_EQ(shot.Pixel(14, 20), clWhite) << "outside the shape";
    EXPECT_EQ(shot.Pixel(12, 21), clWhite);
    EXPECT_EQ(shot.Pixel(17, 23), clRed);
    EXPECT_EQ(shot.Pixel(18, 23), clWhite) << "outside the window";

    SetControlShape(child, {});
    EXPECT_TRUE(HostWidget(child)->mask().isEmpty());
    SetParentControl(child, nullptr);
    EXPECT_EQ(ParentControl(child), nullptr);
    parent.PaintTo(shot);
    EXPECT_EQ(shot.Pixel(10, 20), clWhite);
}

TEST(ChildControls, AChildOutlivingItsParentIsLeftWithoutAWindow) {
    EnsureGuiApplication();
    Filled child(clRed);
    {
        Filled parent(clWhite);
        SetParentControl(child, &parent);
        EXPECT_EQ(ParentControl(child), &parent);
    }
    EXPECT_EQ(ParentControl(child), nullptr);
    child.SetBounds(1, 2, 3, 4);  // does nothing, and nothing breaks
    child.Invalidate();
}
