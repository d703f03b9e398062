// Controls inside controls without a display: the child is drawn shaped into its parent's
// pixels, repaints its parent where it lies, and maps its points through the parent.
#include <gtest/gtest.h>

#include "platform/ChildControls.h"
#include "platform/Controls.h"

namespace {

class Filled : public TCustomControl {
public:
    explicit Filled(TColor color) { SetColor(color); }
};

}  // namespace

TEST(HeadlessChildControls, AChildIsDrawnShapedOverItsParent) {
    Filled parent(clWhite), child(clRed);
    parent.SetBounds(30, 40, 100, 80);
    parent.SetBorderStyle(bsSingle);
    parent.Show();
    SetParentControl(child, &parent);
    child.SetBounds(10, 20, 8, 4);
    child.Show();
    EXPECT_EQ(ParentControl(child), &parent);
    SetControlShape(child, {{0, 0, 4, 1}, {0, 3, 8, 4}});
    SetTransparentForMouse(child, true);
    EXPECT_TRUE(TransparentForMouse(child));

    const TRect c = parent.ClientOrigin();
    TBitmap shot;
    parent.PaintTo(shot);
    EXPECT_EQ(shot.Pixel(c.Left + 10, c.Top + 20), clRed);
    EXPECT_EQ(shot.Pixel(c.Left + 13, c.Top + 20), clRed);
    EXPECT_EQ(shot.Pixel(c.Left + 14, c.Top + 20), clWhite) << "outside the shape";
    EXPECT_EQ(shot.Pixel(c.Left + 12, c.Top + 21), clWhite);
    EXPECT_EQ(shot.Pixel(c.Left + 17, c.Top + 23), clRed);
    EXPECT_EQ(shot.Pixel(c.Left + 18, c.Top + 23), clWhite) << "outside the window";

    // Screen points go through the parent's client area.
    const TPoint p = child.ClientToScreen({1, 1});
    EXPECT_EQ(p.X, 30 + c.Left + 10 + 1);
    EXPECT_EQ(p.Y, 40 + c.Top + 20 + 1);
    EXPECT_EQ(child.ScreenToClient(p).X, 1);

    child.Hide();
    parent.PaintTo(shot);
    EXPECT_EQ(shot.Pixel(c.Left + 10, c.Top + 20), clWhite) << "a hidden child is not drawn";
}

TEST(HeadlessChildControls, ParentAndChildMayGoInEitherOrder) {
    auto parent = std::make_unique<Filled>(clWhite);
    auto child = std::make_unique<Filled>(clRed);
    auto other = std::make_unique<Filled>(clBlue);
    SetParentControl(*child, parent.get());
    SetParentControl(*other, parent.get());
    child.reset();  // leaves its parent
    TBitmap shot;
    parent->Show();
    other->Show();
    parent->PaintTo(shot);
    parent.reset();  // the other child is on its own again
    EXPECT_EQ(ParentControl(*other), nullptr);
    other->SetBounds(0, 0, 5, 5);
    other->Invalidate();
}
