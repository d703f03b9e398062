// The tree's hints in their four modes: what shows, where and when, and when nothing does.
#include "TreeTestSupport.h"

#include "VirtualStringTree.h"

#include "platform/HintWindow.h"
#include "platform/headless/Headless.h"
#include "platform/headless/HeadlessHints.h"

#include <map>
#include <memory>

namespace {

class HintTree : public TVirtualStringTree {
public:
    HintTree() {
        SetColor(clWhite);
        OnGetText = [this](TBaseVirtualTree*, PVirtualNode node, TColumnIndex column,
                           TVSTTextType type, std::string& text) {
            if (type != ttNormal) return;
            auto it = texts.find({node, column});
            if (it != texts.end()) text = it->second;
        };
        OnGetHint = [this](TBaseVirtualTree*, PVirtualNode node, TColumnIndex, TVSTTextType,
                           std::string& text) {
            auto it = hints.find(node);
            if (it != hints.end()) text = it->second;
        };
        ClearHeadlessHintHistory();
    }
    ~HintTree() override {
        OnGetText = nullptr;
        OnGetHint = nullptr;
    }
    using TBaseVirtualTree::KeyDown;
    using TBaseVirtualTree::MouseDown;
    using TBaseVirtualTree::MouseLeave;
    using TBaseVirtualTree::MouseMove;
    using TBaseVirtualTree::MouseUp;
    using TBaseVirtualTree::PreviewMouse;
    using TBaseVirtualTree::SetTreeState;

    void Open(int width, int height) {
        Show();
        HandleNeeded();
        SetBounds(10, 20, width + 2 * BorderWidth(), height + 2 * BorderWidth());
    }
    PVirtualNode Add(const std::string& text, TColumnIndex column = 0) {
        PVirtualNode node = AddChild(nullptr);
        texts[{node, column}] = text;
        return node;
    }
    TPoint Over(PVirtualNode node, TColumnIndex column = 0) {
        TRect r = GetDisplayRect(node, column, false);
        return {r.Left + 5, (r.Top + r.Bottom) / 2};
    }
    void MoveTo(TPoint p) { MouseMove(0, p.X, p.Y); }
    TRect ToScreen(const TRect& r) {
        TPoint tl = ClientToScreen({r.Left, r.Top});
        return {tl.X, tl.Y, tl.X + r.Width(), tl.Y + r.Height()};
    }

    std::map<std::pair<PVirtualNode, TColumnIndex>, std::string> texts;
    std::map<PVirtualNode, std::string> hints;
};

void TwoColumns(HintTree& tree) {
    tree.Header().Columns().Add()->SetWidth(60);
    tree.Header().Columns().Add()->SetWidth(200);
    tree.Header().SetMainColumn(0);
}

}  // namespace

TEST(TreeHints, TooltipsShowACutOffTextInPlaceAtOnce) {
    HintTree tree;
    tree.Open(260, 100);
    TwoColumns(tree);
    tree.SetHintMode(hmTooltip);
    PVirtualNode cut = tree.Add("a text far too long for sixty pixels");
    PVirtualNode fits = tree.Add("ok");
    tree.MoveTo(tree.Over(cut));
    ASSERT_TRUE(HintWindowShowing()) << "no delay in tooltip mode";
    const THintWindowData shown = ShownHint();
    EXPECT_EQ(shown.Text, "a text far too long for sixty pixels");
    EXPECT_TRUE(shown.InPlace);
    EXPECT_EQ(shown.Bounds, tree.ToScreen(tree.GetDisplayRect(cut, 0, true, true)))
        << "exactly over the text";
    EXPECT_EQ(shown.Owner, &tree);
    EXPECT_TRUE(tree.HasTreeState(tsHint));

    tree.MoveTo(tree.Over(fits));
    EXPECT_FALSE(HintWindowShowing()) << "a text that fits shows nothing";
    EXPECT_FALSE(tree.HasTreeState(tsHint));
    // The second column is wide enough.
    tree.texts[{fits, 1}] = "roomy";
    tree.MoveTo(tree.Over(fits, 1));
    EXPECT_FALSE(HintWindowShowing());
}

TEST(TreeHints, NodeHintsShowBelowTheCell) {
    HintTree tree;
    tree.Open(260, 100);
    tree.SetHintMode(hmHint);
    PVirtualNode a = tree.Add("A", NoColumn);
    PVirtualNode b = tree.Add("B", NoColumn);
    tree.hints[a] = "first";
    tree.hints[b] = "second";
    tree.MoveTo(tree.Over(a, NoColumn));
    ASSERT_TRUE(HintWindowShowing()) << "the first hint shows at once";
    THintWindowData shown = ShownHint();
    EXPECT_EQ(shown.Text, "first");
    EXPECT_FALSE(shown.InPlace);
    const TRect cell = tree.GetDisplayRect(a, NoColumn, false);
    EXPECT_EQ(shown.Bounds.Top, tree.ClientToScreen({0, cell.Bottom + 2}).Y);
    EXPECT_EQ(shown.Bounds.Left, tree.ClientToScreen({cell.Left, 0}).X);
    EXPECT_GT(shown.Bounds.Width(), 0);

    // Moving on while a hint is up waits for the hint pause.
    tree.SetHintPause(20);
    tree.MoveTo(tree.Over(b, NoColumn));
    EXPECT_EQ(ShownHint().Text, "first");
    EXPECT_TRUE(tree.TimerActive(TBaseVirtualTree::HintTimer));
    Pump(80);
    EXPECT_EQ(ShownHint().Text, "second");
    const size_t shows = HeadlessHintHistory().size();
    tree.MoveTo(tree.Over(b, NoColumn));
    EXPECT_EQ(HeadlessHintHistory().size(), shows) << "the same hint stays without a redraw";

    tree.hints.erase(a);
    tree.MoveTo(tree.Over(a, NoColumn));
    EXPECT_FALSE(HintWindowShowing()) << "a node without a hint shows nothing";
    tree.MoveTo({5, 90});
    EXPECT_FALSE(HintWindowShowing()) << "empty space shows nothing in hint mode";
}

TEST(TreeHints, TheControlsHintInDefaultModeAndOverEmptySpace) {
    HintTree tree;
    tree.Open(200, 100);
    PVirtualNode a = tree.Add("A", NoColumn);
    tree.hints[a] = "node hint";
    tree.SetHint("Short|the long part");
    tree.MoveTo(tree.Over(a, NoColumn));
    ASSERT_TRUE(HintWindowShowing());
    EXPECT_EQ(ShownHint().Text, "Short") << "hmDefault: the control's short hint";
    tree.CancelHint();

    tree.SetHintMode(hmHintAndDefault);
    tree.MoveTo({5, 90});
    ASSERT_TRUE(HintWindowShowing());
    EXPECT_EQ(ShownHint().Text, "Short") << "empty space: the control's hint";
    tree.CancelHint();
    tree.MoveTo(tree.Over(a, NoColumn));
    EXPECT_EQ(ShownHint().Text, "node hint");

    tree.SetHint("");
    tree.CancelHint();
    tree.MoveTo({5, 90});
    EXPECT_FALSE(HintWindowShowing());
    // The node's hint starts from the control's hint.
    tree.SetHint("base");
    tree.hints.erase(a);
    tree.MoveTo(tree.Over(a, NoColumn));
    EXPECT_EQ(ShownHint().Text, "base");
}

TEST(TreeHints, NoHintWhileAButtonIsHeldScrollingOrHintsAreOff) {
    HintTree tree;
    tree.Open(260, 100);
    tree.SetHintMode(hmHint);
    PVirtualNode a = tree.Add("A", NoColumn);
    tree.hints[a] = "tip";
    const TPoint p = tree.Over(a, NoColumn);
    tree.MoveTo(p);
    ASSERT_TRUE(HintWindowShowing());
    tree.MouseDown(mbLeft, 0, p.X, p.Y);
    EXPECT_FALSE(HintWindowShowing()) << "a press hides the hint";
    tree.MoveTo(p);
    EXPECT_FALSE(HintWindowShowing()) << "none while the button is held";
    tree.MouseUp(mbLeft, 0, p.X, p.Y);
    tree.MoveTo(p);
    EXPECT_TRUE(HintWindowShowing());

    tree.SetTreeState(tsScrolling);
    tree.MoveTo(p);
    EXPECT_FALSE(HintWindowShowing()) << "none while scrolling";
    tree.SetTreeState(tsScrolling, false);

    tree.SetShowHint(false);
    tree.MoveTo(p);
    EXPECT_FALSE(HintWindowShowing());
    tree.SetShowHint(true);
    tree.MoveTo(p);
    EXPECT_TRUE(HintWindowShowing());
    tree.MouseLeave();
    EXPECT_FALSE(HintWindowShowing()) << "leaving the tree hides it";
}

TEST(TreeHints, AnimationFollowsTheSettingAndTheDesktop) {
    HintTree tree;
    EXPECT_EQ(tree.HintAnimation(), hatSystemDefault);
    EXPECT_EQ(tree.DoGetAnimationType(), hatNone) << "the headless desktop does not animate";
    tree.SetHintAnimation(hatFade);
    EXPECT_EQ(tree.DoGetAnimationType(), hatFade);
}

TEST(TreeHints, ListSeparatorAndScreenDensityCanBeSetForTests) {
    EXPECT_EQ(ListSeparator(), ',') << "the C locale's decimal point is '.'";
    SetListSeparatorOverride(';');
    EXPECT_EQ(ListSeparator(), ';');
    SetListSeparatorOverride('\0');
    EXPECT_EQ(ScreenPixelsPerInch(), 96);
    SetScreenPixelsPerInchOverride(120);
    EXPECT_EQ(ScreenPixelsPerInch(), 120);
    SetScreenPixelsPerInchOverride(0);
    EXPECT_EQ(ScreenPixelsPerInch(), 96);
}

TEST(TreeHints, HeaderColumnsShowTheirOwnHintsAfterThePause) {
    HintTree tree;
    tree.Open(260, 100);
    TwoColumns(tree);
    tree.Header().Columns()[1].SetHint("Where it points \xD0\x96");  // UTF-8, as cells are
    TVTHeaderOptions options = tree.Header().Options();
    options.Include(hoVisible);
    options.Include(hoShowHint);
    tree.Header().SetOptions(options);
    tree.SetHintPause(10);
    auto move = [&tree](int x) {
        TMouseMessage m;
        m.Action = TMouseAction::Move;
        m.Pos = {x, -5};
        m.InHeaderStrip = true;
        tree.PreviewMouse(m);
    };
    move(100);
    EXPECT_FALSE(HintWindowShowing()) << "over the header the hint pause applies";
    Pump(60);
    ASSERT_TRUE(HintWindowShowing());
    EXPECT_EQ(ShownHint().Text, "Where it points \xD0\x96");
    move(20);
    EXPECT_FALSE(HintWindowShowing()) << "a column without a hint shows none";
    options.Exclude(hoShowHint);
    tree.Header().SetOptions(options);
    move(100);
    Pump(40);
    EXPECT_FALSE(HintWindowShowing());
}

TEST(TreeHints, ScrollingHidesTheHint) {
    HintTree tree;
    tree.Open(200, 40);
    tree.SetHintMode(hmHint);
    PVirtualNode a = tree.Add("A", NoColumn);
    for (int i = 0; i < 20; ++i) tree.Add("more", NoColumn);
    tree.hints[a] = "tip";
    tree.MoveTo(tree.Over(a, NoColumn));
    ASSERT_TRUE(HintWindowShowing());
    tree.SetOffsetY(-18);
    EXPECT_FALSE(HintWindowShowing());
}

TEST(TreeHints, AHintPaintsItsLinesWithTheTextDrawer) {
    HintTree tree;
    tree.Open(260, 100);
    tree.SetHintMode(hmHint);
    PVirtualNode a = tree.Add("A", NoColumn);
    tree.hints[a] = "first line\r\nsecond\nthe third, longest line";
    tree.MoveTo(tree.Over(a, NoColumn));
    ASSERT_TRUE(HintWindowShowing());
    const THintWindowData shown = ShownHint();
    ASSERT_TRUE(shown.Paint);
    TBitmap probe(1, 1);
    probe.Canvas().Font().Assign(tree.Font());
    const int lineHeight = probe.Canvas().TextMetrics().Height;
    const int longest = probe.Canvas().TextWidth("the third, longest line");
    EXPECT_EQ(shown.Bounds.Height(), 3 * lineHeight + 4) << "three lines and the margins";
    EXPECT_EQ(shown.Bounds.Width(), longest + 2 * 2 + 2) << "the widest line and the margins";

    TBitmap bitmap(shown.Bounds.Width(), shown.Bounds.Height());
    const TRect client{0, 0, bitmap.Width(), bitmap.Height()};
    shown.Paint(bitmap.Canvas(), client);
    const TColor background = ColorToRGB(clInfoBk);
    const TColor frame = ColorToRGB(clInfoText);
    EXPECT_EQ(bitmap.Pixel(0, 0), frame);
    EXPECT_EQ(bitmap.Pixel(client.Right - 1, client.Bottom - 1), frame);
    EXPECT_EQ(bitmap.Pixel(1, 1), background);
    // Ink in each line's band, none right of the second (short) line's text.
    auto inked = [&](int left, int top, int right, int bottom) {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (bitmap.Pixel(x, y) != background) return true;
        return false;
    };
    for (int line = 0; line < 3; ++line)
        EXPECT_TRUE(inked(3, 2 + line * lineHeight, client.Right - 3, 2 + (line + 1) * lineHeight))
            << "line " << line;
    const int second = probe.Canvas().TextWidth("second");
    EXPECT_FALSE(inked(3 + second + 1, 2 + lineHeight, client.Right - 1, 2 + 2 * lineHeight));

    // The painting is the hint's own: a window repainting it after the tree is gone draws the
    // same.
    std::unique_ptr<HintTree> gone = std::make_unique<HintTree>();
    gone->Open(260, 100);
    gone->SetHintMode(hmHint);
    PVirtualNode b = gone->Add("B", NoColumn);
    gone->hints[b] = shown.Text;
    gone->MoveTo(gone->Over(b, NoColumn));
    const THintWindowData kept = ShownHint();
    gone.reset();
    TBitmap again(bitmap.Width(), bitmap.Height());
    kept.Paint(again.Canvas(), client);
    for (int y = 0; y < client.Bottom; ++y)
        for (int x = 0; x < client.Right; ++x)
            ASSERT_EQ(again.Pixel(x, y), bitmap.Pixel(x, y)) << x << "," << y;
}

TEST(TreeHints, AnInPlaceTextPaintsOnTheTreesColourWithoutAFrame) {
    HintTree tree;
    tree.Open(260, 100);
    TwoColumns(tree);
    tree.SetHintMode(hmTooltip);
    PVirtualNode cut = tree.Add("a text far too long for sixty pixels");
    tree.MoveTo(tree.Over(cut));
    ASSERT_TRUE(HintWindowShowing());
    THintWindowData shown = ShownHint();
    tree.CancelHint();
    TBitmap bitmap(shown.Bounds.Width(), shown.Bounds.Height());
    shown.Paint(bitmap.Canvas(), {0, 0, bitmap.Width(), bitmap.Height()});
    EXPECT_EQ(bitmap.Pixel(0, 0), TColor(clWhite)) << "no frame";
    bool ink = false;
    for (int x = 0; x < bitmap.Width() && !ink; ++x)
        ink = bitmap.Pixel(x, bitmap.Height() / 2) != TColor(clWhite) ||
              bitmap.Pixel(x, bitmap.Height() / 2 + 1) != TColor(clWhite);
    EXPECT_TRUE(ink) << "the text in the middle of its cell";
}

TEST(TreeHints, TheTooltipOfAHugeTextShowsItsStartOnly) {
    HintTree tree;
    tree.Open(260, 100);
    TwoColumns(tree);
    tree.SetHintMode(hmTooltip);
    PVirtualNode cut = tree.Add("start " + std::string(30 << 20, 'x'));
    const uint64_t measured = HeadlessTextBytesMeasured();
    tree.MoveTo(tree.Over(cut));
    ASSERT_TRUE(HintWindowShowing());
    THintWindowData shown = ShownHint();
    tree.CancelHint();
    EXPECT_EQ(shown.Text.substr(0, 6), "start ");
    EXPECT_LT(shown.Text.size(), 10000u);
    EXPECT_EQ(shown.Text.substr(shown.Text.size() - 3), "...");
    EXPECT_LE(shown.Bounds.Width(), TextWidthLimit + 2 * tree.TextMargin());
    TBitmap bitmap(shown.Bounds.Width(), shown.Bounds.Height());
    shown.Paint(bitmap.Canvas(), {0, 0, bitmap.Width(), bitmap.Height()});
    EXPECT_LT(HeadlessTextBytesMeasured() - measured, 100000u);
}

TEST(TreeHints, AKeyPressHidesTheHint) {
    HintTree tree;
    tree.Open(260, 100);
    tree.SetHintMode(hmHint);
    PVirtualNode a = tree.Add("A", NoColumn);
    tree.Add("B", NoColumn);
    tree.hints[a] = "tip";
    tree.MoveTo(tree.Over(a, NoColumn));
    ASSERT_TRUE(HintWindowShowing());
    uint16_t key = VK_DOWN;
    tree.KeyDown(key, 0);
    EXPECT_FALSE(HintWindowShowing());
    EXPECT_FALSE(tree.HasTreeState(tsHint));
    tree.MoveTo(tree.Over(a, NoColumn));
    EXPECT_TRUE(HintWindowShowing()) << "the next move shows it again";
}

TEST(TreeHints, NoHintOverAnInactiveWindowUnlessAnEditIsOpen) {
    HintTree tree;
    tree.Open(260, 100);
    tree.SetHintMode(hmHint);
    PVirtualNode a = tree.Add("A", NoColumn);
    tree.hints[a] = "tip";
    SetHeadlessWindowsActive(false);
    tree.MoveTo(tree.Over(a, NoColumn));
    EXPECT_FALSE(HintWindowShowing());
    tree.SetTreeState(tsEditing);
    tree.MoveTo(tree.Over(a, NoColumn));
    EXPECT_TRUE(HintWindowShowing()) << "an open edit lets hints show";
    tree.SetTreeState(tsEditing, false);
    SetHeadlessWindowsActive(true);
    tree.CancelHint();
}

TEST(TreeHints, TooltipsOfAScrolledTreeLieOverTheirText) {
    HintTree tree;
    tree.Open(200, 100);
    for (int width : {60, 200, 200}) tree.Header().Columns().Add()->SetWidth(width);
    tree.Header().SetMainColumn(0);
    tree.SetHintMode(hmTooltip);
    PVirtualNode a = tree.Add("a text far too long for the part of its column in view", 1);
    tree.texts[{a, 2}] = "ok";
    tree.SetOffsetX(-150);
    ASSERT_EQ(tree.OffsetX(), -150);
    // Column 1 lies at 60 .. 260 in the content, -90 .. 110 in the view.
    tree.MoveTo({50, 9});
    ASSERT_TRUE(HintWindowShowing());
    const THintWindowData shown = ShownHint();
    EXPECT_TRUE(shown.InPlace);
    EXPECT_EQ(shown.Bounds.Left, tree.ClientToScreen({-90 + int(tree.Margin()), 0}).X);
    EXPECT_EQ(shown.Bounds, tree.ToScreen(tree.GetDisplayRect(a, 1, true, true)));
    // Column 2's short text starts at 114 in the view and fits what shows of it.
    tree.MoveTo({150, 9});
    EXPECT_FALSE(HintWindowShowing());
}

TEST(TreeHints, ASpannedCellOfAScrolledTreeEndsWithItsLastEmptyNeighbourInView) {
    HintTree tree;
    tree.Open(200, 100);
    for (int width : {60, 100, 300}) tree.Header().Columns().Add()->SetWidth(width);
    tree.Header().SetMainColumn(0);
    TVTAutoOptions autoOptions = tree.TreeOptions().AutoOptions();
    autoOptions.Include(toAutoSpanColumns);
    tree.TreeOptions().SetAutoOptions(autoOptions);
    tree.SetHintMode(hmTooltip);
    PVirtualNode a = tree.Add("");
    tree.texts[{a, 1}] = "";
    tree.texts[{a, 2}] = "third";
    // A text that runs 6 to 16 pixels past the spanned cell (0 .. 159 in the content).
    TRect text;
    for (std::string s = "w"; s.size() < 100; s += "w") {
        tree.texts[{a, 0}] = s;
        tree.InvalidateNode(a);
        text = tree.GetDisplayRect(a, 0, true, true);
        if (text.Right > 165) break;
    }
    ASSERT_GT(text.Right, 165);
    ASSERT_LE(text.Right, 175);
    ASSERT_GE(text.Left, 20);
    tree.SetOffsetX(-20);
    // The cell shows from 0 to 139; its text from text.Left - 20 on, past 139: cut off.
    tree.MoveTo({30, 9});
    ASSERT_TRUE(HintWindowShowing());
    EXPECT_EQ(ShownHint().Bounds, tree.ToScreen(tree.GetDisplayRect(a, 0, true, true)));
}
