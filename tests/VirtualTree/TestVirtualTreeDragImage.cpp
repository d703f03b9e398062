// The drag image: the radial alpha table with the colour key and the master alpha, the tree's
// picture of its selected rows (clipping, hot spot, main column only), the image's states and
// its moves along one axis.
#include "HeaderTestSupport.h"
#include "TreeTestSupport.h"
#include "VirtualStringTree.h"
#include "VirtualTreesDragImage.h"

#include "platform/Canvas.h"
#include "platform/ThemeServices.h"

#include <cstdlib>
#include <string>

namespace {

uint8_t AlphaAt(const TVTDragImage& image, int x, int y) {
    return uint8_t(image.Pixels()[size_t(y) * size_t(image.Width()) + size_t(x)] >> 24);
}

// A string tree of 30 rows of "Node n" in a window of 400 x 600.
class ImageTree : public TVirtualStringTree {
public:
    ImageTree() {
        HandleNeeded();
        SetBounds(0, 0, 400, 600);
        OnGetText = [](TBaseVirtualTree*, PVirtualNode node, TColumnIndex column, TVSTTextType,
                       std::string& text) {
            text = (column > 0 ? "Cell " : "Node ") + std::to_string(node->Index);
        };
        SetRootNodeCount(30);
        TVTSelectionOptions selection = TreeOptions().SelectionOptions();
        selection.Include(toMultiSelect);
        TreeOptions().SetSelectionOptions(selection);
    }
    // Whether any pixel of the picture's band [top, bottom) differs from the tree's colour.
    static bool Painted(const TBitmap& picture, int top, int bottom, int left = 0, int right = -1) {
        const TColor back = ColorToRGB(clWindow);
        if (right < 0) right = picture.Width();
        for (int y = std::max(0, top); y < std::min(bottom, picture.Height()); ++y)
            for (int x = left; x < right; ++x)
                if ((picture.Pixel(x, y) & 0xFFFFFF) != (back & 0xFFFFFF)) return true;
        return false;
    }
};

}  // namespace

TEST(TreeDragImage, TheAlphaTableFadesRadially) {
    EXPECT_EQ(DragImageAlpha(100, 175, 200, 350), 255);
    EXPECT_EQ(DragImageAlpha(0, 0, 200, 350), 3);
    EXPECT_EQ(DragImageAlpha(100, 0, 200, 350), 5);
    EXPECT_EQ(DragImageAlpha(0, 175, 200, 350), 26);
    EXPECT_EQ(DragImageAlpha(150, 175, 200, 350), 81);
    EXPECT_EQ(DragImageAlpha(100, 200, 200, 350), 144);

    // The colour key gives 0; Transparency is the master alpha over the radial one.
    TBitmap picture(200, 350);
    picture.Canvas().Brush().SetColor(clWhite);
    picture.Canvas().FillRect({0, 0, 200, 350});
    picture.Canvas().Brush().SetColor(clNavy);
    picture.Canvas().FillRect({90, 170, 110, 180});
    TVTDragImage image;
    image.PrepareDrag(picture, {0, 0}, {100, 175}, clWhite, true);
    EXPECT_EQ(image.ColorKey(), clWhite);
    EXPECT_EQ(AlphaAt(image, 100, 175), (255 * 128) >> 8) << "about half at the centre";
    EXPECT_EQ(AlphaAt(image, 0, 0), 0) << "keyed out";
    EXPECT_EQ(AlphaAt(image, 150, 175), 0);
    EXPECT_EQ(image.Pixels()[175 * 200 + 100] & 0xFFFFFF, 0x000080u) << "navy as 0xRRGGBB";
    image.Transparency = 255;
    image.PrepareDrag(picture, {0, 0}, {100, 175}, clNone, true);
    EXPECT_EQ(AlphaAt(image, 0, 0), (3 * 255) >> 8) << "no key: nothing keyed out";
    EXPECT_EQ(AlphaAt(image, 150, 175), (81 * 255) >> 8);
}

TEST(TreeDragImage, APreBlendBiasShiftsThePicturesColours) {
    TBitmap picture(20, 20);
    picture.Canvas().Brush().SetColor(clWhite);
    picture.Canvas().FillRect({0, 0, 20, 20});
    picture.Canvas().Brush().SetColor(TColor(0x604020));  // red 0x20, green 0x40, blue 0x60
    picture.Canvas().FillRect({5, 5, 15, 15});
    TVTDragImage image;
    image.PreBlendBias = 16;
    image.PrepareDrag(picture, {0, 0}, {10, 10}, clWhite, true);
    if (picture.Pixel(10, 10) != TColor(0x604020)) GTEST_SKIP() << "this canvas keeps no pixels";
    EXPECT_EQ(image.Pixels()[10 * 20 + 10] & 0xFFFFFF, 0x305070u);
    EXPECT_EQ(AlphaAt(image, 0, 0), 0) << "the key goes by the picture's own colour";
    image.PreBlendBias = -0x30;
    image.PrepareDrag(picture, {0, 0}, {10, 10}, clNone, true);
    EXPECT_EQ(image.Pixels()[10 * 20 + 10] & 0xFFFFFF, 0x001030u) << "clamped at 0";
}

TEST(TreeDragImage, ThePictureIsClippedAtTheContentStartAroundTheHotSpot) {
    ImageTree tree;
    tree.AddToSelection(tree.GetFirst());
    TPoint hot{200, 300};
    std::unique_ptr<TBitmap> far = tree.PrepareDragImage(hot);
    ASSERT_TRUE(far);
    EXPECT_EQ(far->Width(), 200);
    EXPECT_EQ(far->Height(), 350);
    EXPECT_EQ(hot, (TPoint{100, 175}));

    TPoint nearCorner{30, 40};
    std::unique_ptr<TBitmap> clipped = tree.PrepareDragImage(nearCorner);
    ASSERT_TRUE(clipped);
    EXPECT_EQ(clipped->Width(), 130);
    EXPECT_EQ(clipped->Height(), 215);
    EXPECT_EQ(nearCorner, (TPoint{30, 40})) << "the cursor's place in the clipped picture";

    // Scrolled down: the hot spot is taken in content coordinates.
    tree.SetRootNodeCount(60);
    tree.SetOffsetY(-100);
    ASSERT_EQ(tree.OffsetY(), -100);
    TPoint scrolled{30, 40};
    std::unique_ptr<TBitmap> lower = tree.PrepareDragImage(scrolled);
    EXPECT_EQ(lower->Height(), 140 + 175);
    EXPECT_EQ(scrolled, (TPoint{30, 140}));

    tree.SetDragWidth(100);
    tree.SetDragHeight(50);
    TPoint small{200, 300};
    std::unique_ptr<TBitmap> smaller = tree.PrepareDragImage(small);
    ASSERT_TRUE(smaller);
    EXPECT_EQ(smaller->Width(), 100);
    EXPECT_EQ(smaller->Height(), 50);

    tree.SetDragImageKind(diNoImage);
    TPoint none{200, 300};
    EXPECT_EQ(tree.PrepareDragImage(none), nullptr);
}

TEST(TreeDragImage, OnlySelectedRowsArePainted) {
    ImageTree tree;
    std::vector<PVirtualNode> nodes = AllNodes(tree);
    tree.AddToSelection({nodes[1], nodes[3]});
    const int h = int(tree.DefaultNodeHeight());
    TPoint hot{50, 5};
    std::unique_ptr<TBitmap> picture = tree.PrepareDragImage(hot);
    ASSERT_TRUE(picture);
    EXPECT_FALSE(ImageTree::Painted(*picture, 0, h)) << "row 0 is not selected";
    EXPECT_TRUE(ImageTree::Painted(*picture, h, 2 * h));
    EXPECT_FALSE(ImageTree::Painted(*picture, 2 * h, 3 * h));
    EXPECT_TRUE(ImageTree::Painted(*picture, 3 * h, 4 * h));
    EXPECT_FALSE(ImageTree::Painted(*picture, 4 * h, picture->Height()));

    // What is not painted is fully transparent in the image.
    TVTDragImage image;
    image.PrepareDrag(*picture, {0, 0}, hot, tree.Color(), true);
    for (int x = 0; x < image.Width(); x += 7) EXPECT_EQ(AlphaAt(image, x, h / 2), 0) << x;

    if (const char* dir = std::getenv("LORVANE_PNG_DIR")) {
        tree.AddToSelection({nodes[2], nodes[4], nodes[5], nodes[6]});
        TPoint centre{40, 4 * h + h / 2};
        std::unique_ptr<TBitmap> shot = tree.PrepareDragImage(centre);
        TVTDragImage faded;
        faded.PrepareDrag(*shot, {0, 0}, centre, tree.Color(), true);
        faded.SaveToFile(std::string(dir) + "/drag-image.png");
    }

    // With diMainColumnOnly other columns' cells stay empty.
    tree.Header().Columns().Add()->SetWidth(120);
    tree.Header().Columns().Add()->SetWidth(150);
    tree.Header().SetOptions(tree.Header().Options() + hoVisible);
    tree.Header().SetMainColumn(0);
    TPoint both{100, 5};
    std::unique_ptr<TBitmap> complete = tree.PrepareDragImage(both);
    EXPECT_TRUE(ImageTree::Painted(*complete, h, 2 * h, 120, complete->Width()));
    tree.SetDragImageKind(diMainColumnOnly);
    ASSERT_EQ(tree.DragImageKind(), diMainColumnOnly);
    TPoint main{100, 5};
    std::unique_ptr<TBitmap> mainOnly = tree.PrepareDragImage(main);
    EXPECT_TRUE(ImageTree::Painted(*mainOnly, h, 2 * h, 0, 120));
    EXPECT_FALSE(ImageTree::Painted(*mainOnly, h, 2 * h, 121, mainOnly->Width()));
}

TEST(TreeDragImage, StatesShowHideAndEnd) {
    TBitmap picture(40, 20);
    TVTDragImage image;
    EXPECT_FALSE(image.Show()) << "not prepared";
    image.PrepareDrag(picture, {100, 50}, {20, 10}, clNone, false);
    EXPECT_EQ(image.States(), disHidden | disPrepared | disInUse);
    EXPECT_FALSE(image.Visible());
    EXPECT_TRUE(image.GetDragImageRect().IsEmpty());
    int changes = 0;
    image.OnChange = [&](const TVTDragImage&) { ++changes; };
    EXPECT_TRUE(image.Show());
    EXPECT_EQ(image.States() & 0xF, 6);
    EXPECT_TRUE(image.Visible());
    EXPECT_FALSE(image.Show()) << "only when hidden";
    EXPECT_EQ(image.GetDragImageRect(), (TRect{100, 50, 140, 70}));
    image.Hide();
    EXPECT_FALSE(image.Visible());
    EXPECT_TRUE(image.Show());
    EXPECT_EQ(changes, 3);
    image.EndDrag();
    EXPECT_FALSE(image.Visible());
    EXPECT_TRUE(image.GetDragImageRect().IsEmpty());
    EXPECT_FALSE(image.Show());

    // The desktop moves a picture it supports: the own one never shows.
    image.PrepareDrag(picture, {0, 0}, {0, 0}, clNone, true);
    EXPECT_NE(image.States() & disSystemSupport, 0);
    EXPECT_FALSE(image.Show());
    EXPECT_FALSE(image.Visible());
}

TEST(TreeDragImage, AHorizontalRestrictionKeepsTheImageOnItsRow) {
    TBitmap picture(40, 20);
    TVTDragImage image;
    image.RestrictDrag = dmrHorizontalOnly;
    image.PrepareDrag(picture, {100, 50}, {20, 10}, clNone, false);
    image.Show();
    EXPECT_FALSE(image.WillMove({120, 90})) << "a vertical move alone does not move it";
    EXPECT_TRUE(image.WillMove({125, 65}));
    for (int step = 1; step <= 5; ++step) {
        image.DragTo({120 + 7 * step, 60 + 9 * step});
        EXPECT_EQ(image.ImagePosition().Y, 50);
        EXPECT_EQ(image.ImagePosition().X, 100 + 7 * step);
    }
    image.RestrictDrag = dmrVerticalOnly;
    image.DragTo({0, 70});
    EXPECT_EQ(image.ImagePosition().X, 135);
    EXPECT_EQ(image.ImagePosition().Y, 60);
    image.Hide();
    EXPECT_FALSE(image.DragTo({500, 500})) << "a hidden image stays";
}

TEST(TreeDragImage, TheColumnDragShowsTheButtonOnItsRow) {
    const int far = StartDragDistance() + 60;
    {
        HeaderFixture f({100, 150, 200});
        f.header.SetOptions(f.header.Options() + hoRestrictDrag);
        EXPECT_EQ(f.header.DragImage(), nullptr);
        f.Press(150);
        f.Move(150 + far, 10);
        ASSERT_TRUE(f.header.States().Contains(hsDragging));
        const TVTDragImage* image = f.header.DragImage();
        ASSERT_NE(image, nullptr);
        EXPECT_TRUE(image->Visible());
        EXPECT_EQ(image->Width(), 150) << "the dragged button";
        EXPECT_EQ(image->Height(), f.header.Height());
        EXPECT_EQ(f.header.DragOverlay(), nullptr) << "no tree window to lay it over";
        const int top = image->ImagePosition().Y;
        const int left = image->ImagePosition().X;
        for (int step = 1; step <= 4; ++step) {
            f.Move(150 + far + 10 * step, 10 + 15 * step);
            EXPECT_EQ(image->ImagePosition().Y, top);
            EXPECT_EQ(image->ImagePosition().X, left + 10 * step);
        }
        f.Release(300);
        EXPECT_EQ(f.header.DragImage(), nullptr);
    }
    {
        // Without hoRestrictDrag the picture follows the cursor both ways.
        HeaderFixture f({100, 150, 200});
        f.Press(150);
        f.Move(150 + far);
        ASSERT_NE(f.header.DragImage(), nullptr);
        const TPoint before = f.header.DragImage()->ImagePosition();
        f.Move(150 + far + 5, 20);
        EXPECT_EQ(f.header.DragImage()->ImagePosition(), (TPoint{before.X + 5, before.Y + 28}));
    }
}

TEST(TreeDragImage, TheColumnDragPictureIsAnOverlayOverTheTree) {
    TestTree tree;
    tree.SetClientSize(500, 200);
    TVTHeader& header = tree.Header();
    for (int width : {100, 150, 200}) header.Columns().Add()->SetWidth(width);
    header.SetOptions(header.Options() + hoVisible + hoRestrictDrag);
    const int y = -header.Height() / 2;
    auto send = [&](TMouseAction action, int x, int atY) {
        TMouseMessage m;
        m.Action = action;
        m.Pos = {x, atY};
        m.InHeaderStrip = atY < 0;
        return header.HandleMessage(m);
    };
    send(TMouseAction::Down, 150, y);
    send(TMouseAction::Move, 150 + StartDragDistance() + 40, y + 30);
    const TOverlay* overlay = header.DragOverlay();
    ASSERT_NE(overlay, nullptr);
    EXPECT_TRUE(overlay->Visible());
    EXPECT_EQ(overlay->Width(), 150);
    EXPECT_EQ(overlay->Position().Y, tree.HeaderStripRect().Top);
    // Even and mostly opaque from edge to edge, not faded out towards its caption.
    EXPECT_EQ(overlay->Pixel(2, 2) >> 24, overlay->Pixel(75, 2) >> 24);
    EXPECT_GE(overlay->Pixel(2, 2) >> 24, 0xC0u);
    send(TMouseAction::Move, 260, 90);
    EXPECT_EQ(overlay->Position().Y, tree.HeaderStripRect().Top) << "restricted to its row";
    send(TMouseAction::Up, 260, 90);
    EXPECT_EQ(header.DragOverlay(), nullptr);
}
