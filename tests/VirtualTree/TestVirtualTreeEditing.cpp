// In-place editing of the string tree: F2, the edit timer and EditNode open the editor; Enter,
// Escape, focus leaving and destruction end it; the editor's place, keys and widening.
#include "TreeTestSupport.h"

#include "VirtualStringTree.h"
#include "VirtualTreesEditing.h"

#include "platform/headless/HeadlessEdit.h"

#include <cstdlib>
#include <map>
#include <stdexcept>

namespace {

class EditTree : public TVirtualStringTree {
public:
    EditTree() {
        SetColor(clWhite);
        TVTMiscOptions misc = TreeOptions().MiscOptions();
        misc.Include(toEditable);
        TreeOptions().SetMiscOptions(misc);
        OnGetText = [this](TBaseVirtualTree*, PVirtualNode node, TColumnIndex column,
                           TVSTTextType type, std::string& text) {
            if (type != ttNormal) return;
            auto it = texts.find({node, column});
            if (it != texts.end()) text = it->second;
        };
        OnNewText = [this](TBaseVirtualTree*, PVirtualNode node, TColumnIndex column,
                           const std::string& text) {
            log.push_back("NewText(" + text + ")");
            texts[{node, column}] = text;
        };
        OnEdited = [this](TBaseVirtualTree*, PVirtualNode node, TColumnIndex column) {
            log.push_back("Edited(" + std::to_string(column) + ")");
            EXPECT_EQ(node, FocusedNode());
        };
        OnEditCancelled = [this](TBaseVirtualTree*, TColumnIndex column) {
            log.push_back("Cancelled(" + std::to_string(column) + ")");
        };
    }
    // The handlers read this object's members: an open edit ends while they are still here.
    ~EditTree() override { CancelEditNode(); }
    using TBaseVirtualTree::KeyDown;
    using TBaseVirtualTree::MouseDown;
    using TBaseVirtualTree::MouseUp;

    void Open(int width = 300, int height = 200) {
        Show();
        HandleNeeded();
        SetBounds(0, 0, width + 2 * BorderWidth(), height + 2 * BorderWidth());
        SetFocus();
    }
    PVirtualNode Add(const std::string& text, TColumnIndex column = NoColumn) {
        PVirtualNode node = AddChild(nullptr);
        texts[{node, column}] = text;
        return node;
    }
    bool Press(uint16_t key, TShiftState shift = 0) {
        uint16_t k = key;
        KeyDown(k, shift);
        return k == 0;
    }
    void ClickAt(int x, int y, TShiftState shift = 0) {
        MouseDown(mbLeft, shift, x, y);
        MouseUp(mbLeft, shift, x, y);
    }
    TStringEditLink* Link() const { return dynamic_cast<TStringEditLink*>(EditLink().get()); }
    // The open editor. Without one the test cannot go on: the exception ends it as a failure.
    TVTEdit& Editor() const {
        TStringEditLink* link = Link();
        if (!link || !link->Edit()) throw std::logic_error("the tree has no open editor");
        return *link->Edit();
    }
    void SetAutoAccept(bool on) {
        TVTStringOptions options = StringOptions();
        on ? options.Include(toAutoAcceptEditChange) : options.Exclude(toAutoAcceptEditChange);
        SetStringOptions(options);
    }
    int Middle(PVirtualNode node) {
        TRect r = GetDisplayRect(node, NoColumn, false);
        return (r.Top + r.Bottom) / 2;
    }
    int LabelX(PVirtualNode node, TColumnIndex column = NoColumn) {
        TRect r = GetDisplayRect(node, column, true);
        return (r.Left + r.Right) / 2;
    }

    std::map<std::pair<PVirtualNode, TColumnIndex>, std::string> texts;
    std::vector<std::string> log;
};

}  // namespace

TEST(TreeEditing, F2OpensAnEditorOverTheCellWithItsTextSelected) {
    EditTree tree;
    tree.Open();
    PVirtualNode a = tree.Add("Apple");
    tree.Add("Banana");
    tree.SetFocusedNode(a);
    ASSERT_TRUE(tree.Press(VK_F2));
    ASSERT_TRUE(tree.IsEditing());
    TVTEdit& edit = tree.Editor();
    EXPECT_TRUE(edit.Visible());
    EXPECT_TRUE(edit.Focused());
    EXPECT_FALSE(tree.Focused()) << "the editor has the focus";
    EXPECT_EQ(edit.Text(), "Apple");
    EXPECT_EQ(edit.SelStart(), 0);
    EXPECT_EQ(edit.SelLength(), 5);
    EXPECT_FALSE(edit.Modified());
    EXPECT_EQ(tree.EditColumn(), NoColumn);
    TRect expected = tree.GetDisplayRect(a, NoColumn, true, true);
    EXPECT_EQ(edit.BoundsRect().Left, expected.Left);
    EXPECT_EQ(edit.BoundsRect().Top, expected.Top);
    EXPECT_EQ(edit.BoundsRect().Bottom, expected.Bottom);
    EXPECT_GE(edit.BoundsRect().Width(), TStringEditLink::MinimumWidth);
    EXPECT_TRUE(tree.log.empty());
}

TEST(TreeEditing, NothingOpensWithoutEditableOrWhenOnEditingRefuses) {
    EditTree tree;
    tree.Open();
    PVirtualNode a = tree.Add("Apple");
    tree.SetFocusedNode(a);
    tree.TreeOptions().SetMiscOptions(DefaultMiscOptions);
    EXPECT_FALSE(tree.Press(VK_F2));
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_EQ(tree.EditLink(), nullptr);

    EditTree refusing;
    refusing.Open();
    PVirtualNode b = refusing.Add("B");
    refusing.OnEditing = [](TBaseVirtualTree*, PVirtualNode, TColumnIndex, bool& allowed) {
        allowed = false;
    };
    refusing.SetFocusedNode(b);
    EXPECT_FALSE(refusing.Press(VK_F2));
    EXPECT_FALSE(refusing.EditNode(b, NoColumn));
    EXPECT_FALSE(refusing.IsEditing());
}

TEST(TreeEditing, EnterWritesAChangedTextBackAndTheTreeTakesTheFocus) {
    EditTree tree;
    tree.Open();
    PVirtualNode a = tree.Add("Apple");
    tree.SetFocusedNode(a);
    ASSERT_TRUE(tree.Press(VK_F2));
    HeadlessEditType(tree.Editor(), "Pear");
    EXPECT_EQ(tree.Editor().Text(), "Pear") << "typing replaces the selection";
    EXPECT_TRUE(HeadlessEditKey(tree.Editor(), VK_RETURN));
    EXPECT_EQ(tree.log, (std::vector<std::string>{"NewText(Pear)", "Edited(-1)"}));
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_TRUE(tree.Focused());
    EXPECT_EQ(tree.Text(a, NoColumn), "Pear");
    EXPECT_NE(tree.EditLink(), nullptr) << "the link goes once the ending code has unwound";
    Pump();
    EXPECT_EQ(tree.EditLink(), nullptr);

    // Again, without a change: only OnEdited.
    tree.log.clear();
    ASSERT_TRUE(tree.Press(VK_F2));
    ASSERT_TRUE(tree.IsEditing());
    EXPECT_EQ(tree.Editor().Text(), "Pear");
    HeadlessEditKey(tree.Editor(), VK_RETURN);
    EXPECT_EQ(tree.log, (std::vector<std::string>{"Edited(-1)"}));
    Pump();
}

TEST(TreeEditing, EscapeCancelsAndKeepsTheText) {
    EditTree tree;
    tree.Open();
    PVirtualNode a = tree.Add("Apple");
    tree.SetFocusedNode(a);
    ASSERT_TRUE(tree.Press(VK_F2));
    HeadlessEditType(tree.Editor(), "Plum");
    const PVTEditLink link = tree.EditLink();
    EXPECT_FALSE(tree.Link()->Stopping());
    EXPECT_TRUE(HeadlessEditKey(tree.Editor(), VK_ESCAPE));
    EXPECT_TRUE(static_cast<TStringEditLink&>(*link).Stopping());
    EXPECT_EQ(tree.log, (std::vector<std::string>{"Cancelled(-1)"}));
    EXPECT_EQ(tree.Text(a, NoColumn), "Apple");
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_TRUE(tree.Focused());
    Pump();
    EXPECT_EQ(tree.EditLink(), nullptr);
    // CancelEditNode does the same from outside.
    ASSERT_TRUE(tree.EditNode(a, NoColumn));
    EXPECT_TRUE(tree.CancelEditNode());
    EXPECT_EQ(tree.log.back(), "Cancelled(-1)");
    EXPECT_FALSE(tree.CancelEditNode()) << "nothing left to cancel";
}

TEST(TreeEditing, EditorBoundsKeepTheMinimumWidthAndStayInTheClientArea) {
    // The rule itself.
    EXPECT_EQ(TStringEditLink::LimitBounds({10, 0, 20, 18}, taLeftJustify, 300),
              (TRect{10, 0, 40, 18}));
    EXPECT_EQ(TStringEditLink::LimitBounds({10, 0, 50, 18}, taRightJustify, 300),
              (TRect{10, 0, 50, 18}));
    EXPECT_EQ(TStringEditLink::LimitBounds({60, 0, 70, 18}, taRightJustify, 300),
              (TRect{40, 0, 70, 18}))
        << "right-aligned text keeps its right edge";
    EXPECT_EQ(TStringEditLink::LimitBounds({-15, 0, 100, 18}, taLeftJustify, 80),
              (TRect{0, 0, 80, 18}))
        << "never left of 0, never past the client width";

    EditTree tree;
    tree.Open(300, 200);
    tree.Header().Columns().Add()->SetWidth(150);
    tree.Header().Columns().Add()->SetWidth(150);
    tree.Header().Columns()[1].SetAlignment(taRightJustify);
    tree.Header().SetMainColumn(0);
    PVirtualNode a = tree.AddChild(nullptr);
    tree.texts[{a, 0}] = "i";
    tree.texts[{a, 1}] = "i";
    ASSERT_TRUE(tree.EditNode(a, 0));
    EXPECT_EQ(tree.Link()->GetBounds(), tree.Editor().BoundsRect());
    const TRect shown = tree.GetDisplayRect(a, 0, true, true);
    EXPECT_EQ(tree.Link()->TextBounds().Left, shown.Left) << "the text's rectangle in the tree";
    EXPECT_EQ(tree.Link()->TextBounds().Right, shown.Right);
    EXPECT_EQ(tree.Editor().BoundsRect().Width(), TStringEditLink::MinimumWidth);
    EXPECT_EQ(tree.Editor().BoundsRect().Left, tree.GetDisplayRect(a, 0, true, true).Left);
    tree.CancelEditNode();
    Pump();

    ASSERT_TRUE(tree.EditNode(a, 1));
    const TRect text = tree.GetDisplayRect(a, 1, true, true);
    EXPECT_EQ(tree.Editor().BoundsRect().Width(), TStringEditLink::MinimumWidth);
    EXPECT_EQ(tree.Editor().BoundsRect().Right, text.Right) << "grown to the left";
    tree.CancelEditNode();
    Pump();

    TVTMiscOptions misc = tree.TreeOptions().MiscOptions();
    misc.Include(toGridExtensions);
    tree.TreeOptions().SetMiscOptions(misc);
    ASSERT_TRUE(tree.EditNode(a, 1));
    EXPECT_EQ(tree.Editor().BoundsRect().Left, 150);
    EXPECT_EQ(tree.Editor().BoundsRect().Right, 300) << "the whole column";
    HeadlessEditType(tree.Editor(), "x");
    EXPECT_EQ(tree.Editor().BoundsRect().Width(), 150) << "no widening with grid extensions";
    tree.CancelEditNode();
    Pump();
}

TEST(TreeEditing, TheEditorFollowsItsTextWithinTheLimits) {
    EditTree tree;
    tree.Open(200, 100);
    PVirtualNode a = tree.Add("abc");
    ASSERT_TRUE(tree.EditNode(a, NoColumn));
    TVTEdit& edit = tree.Editor();
    const int left = edit.BoundsRect().Left;
    HeadlessEditType(edit, "a much longer text than before");
    EXPECT_EQ(edit.BoundsRect().Left, left);
    EXPECT_EQ(edit.BoundsRect().Width(), std::min(edit.TextExtent(), 200 - left));
    HeadlessEditType(edit, std::string(80, 'w'));
    EXPECT_EQ(edit.BoundsRect().Right, 200) << "capped at the client width";
    HeadlessEditKey(edit, VK_HOME);
    while (!edit.Text().empty()) HeadlessEditKey(edit, VK_DELETE);
    EXPECT_EQ(edit.BoundsRect().Width(), TStringEditLink::MinimumWidth)
        << "an empty editor keeps the minimum width";
    EXPECT_EQ(edit.BoundsRect().Left, left);
}

TEST(TreeEditing, UpAndDownMoveTheCaretAndTabsStayInTheEditor) {
    EditTree tree;
    tree.Open();
    PVirtualNode a = tree.Add("abcdef");
    tree.Add("next");
    ASSERT_TRUE(tree.EditNode(a, NoColumn));
    TVTEdit& edit = tree.Editor();
    HeadlessEditKey(edit, VK_HOME);
    EXPECT_TRUE(HeadlessEditKey(edit, VK_DOWN));
    EXPECT_TRUE(HeadlessEditKey(edit, VK_DOWN));
    EXPECT_EQ(edit.SelStart(), 2);
    EXPECT_TRUE(HeadlessEditKey(edit, VK_UP));
    EXPECT_EQ(edit.SelStart(), 1);
    EXPECT_TRUE(tree.IsEditing());
    EXPECT_EQ(tree.FocusedNode(), a) << "Down does not move to the next node";
    EXPECT_TRUE(HeadlessEditKey(edit, VK_TAB)) << "the editor keeps Tab from the form";
    HeadlessEditType(edit, "\t\x1b");
    EXPECT_EQ(edit.Text(), "abcdef") << "Tab and Escape characters are swallowed";
    EXPECT_TRUE(edit.Focused());
}

TEST(TreeEditing, AMissingEditLinkAndABadColumnAreErrors) {
    EditTree tree;
    tree.Open();
    PVirtualNode a = tree.Add("A");
    tree.OnCreateEditor = [](TBaseVirtualTree*, PVirtualNode, TColumnIndex, PVTEditLink& link) {
        link = nullptr;
    };
    tree.SetFocusedNode(a);
    try {
        tree.Press(VK_F2);
        ADD_FAILURE() << "no error";
    } catch (const EVirtualTreeError& e) {
        EXPECT_EQ(e.HelpContext, 2000);
        EXPECT_EQ(e.Message, "Edit link must not be nil.");
    }
    EXPECT_FALSE(tree.IsEditing());
    tree.OnCreateEditor = nullptr;
    EXPECT_THROW(tree.EditNode(a, 0), EVTAssertion) << "column = column count";
    EXPECT_THROW(tree.EditNode(nullptr, NoColumn), EVTAssertion);
    EXPECT_THROW(tree.EditNode(a, -2), EVTAssertion);
    EXPECT_TRUE(tree.EditNode(a, NoColumn));
}

TEST(TreeEditing, AnEditorDestroyedWhileOpenKeepsAChangedTextWithAutoAccept) {
    EditTree tree;
    tree.Open();
    PVirtualNode a = tree.Add("A");
    auto edit = [&](const std::string& typed) {
        auto link = std::make_shared<TStringEditLink>();
        EXPECT_TRUE(link->PrepareEdit(&tree, a, NoColumn));
        EXPECT_TRUE(link->BeginEdit());
        if (!typed.empty()) HeadlessEditType(*link->Edit(), typed);
    };
    EXPECT_TRUE(tree.StringOptions().Contains(toAutoAcceptEditChange)) << "the default";
    edit("B");
    EXPECT_EQ(tree.log, (std::vector<std::string>{"NewText(B)"}));
    tree.log.clear();
    edit("");
    EXPECT_TRUE(tree.log.empty()) << "an unchanged text is not written";
    tree.SetAutoAccept(false);
    edit("C");
    EXPECT_TRUE(tree.log.empty());
    EXPECT_EQ(tree.Text(a, NoColumn), "B");
}

TEST(TreeEditing, FocusLeavingTheTreeEndsTheEdit) {
    EditTree tree;
    tree.Open();
    PVirtualNode a = tree.Add("A");
    ASSERT_TRUE(tree.EditNode(a, NoColumn));
    HeadlessEditType(tree.Editor(), "Kept");
    HeadlessFocusElsewhere();
    EXPECT_EQ(tree.log, (std::vector<std::string>{"NewText(Kept)", "Edited(-1)"}));
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_FALSE(tree.Focused()) << "the focus stays where it went";
    Pump();

    tree.log.clear();
    tree.SetAutoAccept(false);
    EditTree other;
    other.Open();
    tree.SetFocus();
    ASSERT_TRUE(tree.EditNode(a, NoColumn));
    HeadlessEditType(tree.Editor(), "Lost");
    other.SetFocus();
    EXPECT_EQ(tree.log, (std::vector<std::string>{"Cancelled(-1)"}));
    EXPECT_TRUE(other.Focused());
    EXPECT_EQ(tree.Text(a, NoColumn), "Kept");
    Pump();

    // The focus going to the tree itself leaves the edit open: the tree's own click ends it.
    tree.log.clear();
    ASSERT_TRUE(tree.EditNode(a, NoColumn));
    tree.SetFocus();
    EXPECT_TRUE(tree.IsEditing());
    EXPECT_TRUE(tree.log.empty());
    tree.ClickAt(5, 150);
    EXPECT_FALSE(tree.IsEditing());
    EXPECT_EQ(tree.log, (std::vector<std::string>{"Edited(-1)"}));
    Pump();
}

TEST(TreeEditing, ASlowSecondClickOnTheFocusedNodeEditsAfterTheDelay) {
    EditTree tree;
    tree.Open();
    PVirtualNode a = tree.Add("Apple");
    tree.Add("Banana");
    tree.SetEditDelay(20);
    const int x = tree.LabelX(a), y = tree.Middle(a);
    tree.ClickAt(x, y);
    ASSERT_EQ(tree.FocusedNode(), a);
    EXPECT_FALSE(tree.TimerActive(TBaseVirtualTree::EditTimer)) << "the first click only focuses";
    tree.ClickAt(x, y);
    EXPECT_TRUE(tree.TimerActive(TBaseVirtualTree::EditTimer));
    EXPECT_FALSE(tree.IsEditing());
    Pump(100);
    EXPECT_TRUE(tree.IsEditing());
    EXPECT_EQ(tree.Editor().Text(), "Apple");
    HeadlessEditKey(tree.Editor(), VK_ESCAPE);
    Pump();

    // A double click in between cancels the pending edit.
    tree.ClickAt(x, y);
    EXPECT_TRUE(tree.TimerActive(TBaseVirtualTree::EditTimer));
    tree.MouseDown(mbLeft, ssDouble, x, y);
    tree.MouseUp(mbLeft, 0, x, y);
    EXPECT_FALSE(tree.TimerActive(TBaseVirtualTree::EditTimer));
    Pump(60);
    EXPECT_FALSE(tree.IsEditing());

    // Without toEditable the timer never starts.
    tree.TreeOptions().SetMiscOptions(DefaultMiscOptions);
    tree.ClickAt(x, y);
    EXPECT_FALSE(tree.TimerActive(TBaseVirtualTree::EditTimer));
}

TEST(TreeEditing, DestroyingTheTreeDuringAnEditWritesNothing) {
    std::vector<std::string> log;
    {
        TVirtualStringTree tree;
        tree.Show();
        tree.HandleNeeded();
        TVTMiscOptions misc = tree.TreeOptions().MiscOptions();
        misc.Include(toEditable);
        tree.TreeOptions().SetMiscOptions(misc);
        PVirtualNode a = tree.AddChild(nullptr);
        ASSERT_TRUE(tree.EditNode(a, NoColumn));
        auto* link = dynamic_cast<TStringEditLink*>(tree.EditLink().get());
        ASSERT_NE(link, nullptr);
        HeadlessEditType(*link->Edit(), "gone");
        tree.OnNewText = [&log](TBaseVirtualTree*, PVirtualNode, TColumnIndex,
                                const std::string& text) { log.push_back(text); };
        tree.OnEditCancelled = [&log](TBaseVirtualTree*, TColumnIndex) { log.push_back("cancel"); };
    }
    EXPECT_EQ(log, std::vector<std::string>{"cancel"}) << "cancelled before the nodes go";
}

TEST(TreeEditing, TheEditorSitsOnItsCellInAScrolledTreeAndFollowsScrollsAndResizes) {
    EditTree tree;
    tree.Open(200, 100);
    for (int width : {150, 150, 150}) tree.Header().Columns().Add()->SetWidth(width);
    tree.Header().SetMainColumn(0);
    std::vector<PVirtualNode> rows;
    for (int i = 0; i < 20; ++i) rows.push_back(tree.Add("row", 2));
    tree.SetOffsetX(-200);
    ASSERT_EQ(tree.OffsetX(), -200);
    // Column 2 starts at 300 in the content, 100 in the view; its text after Margin.
    const TRect cell = tree.GetDisplayRect(rows[0], 2, false);
    EXPECT_EQ(cell.Left, 100);
    EXPECT_EQ(cell.Right, 249);
    EXPECT_EQ(tree.GetDisplayRect(rows[0], 2, true, true).Left, 100 + int(tree.Margin()));
    ASSERT_TRUE(tree.EditNode(rows[0], 2));
    EXPECT_EQ(tree.Editor().BoundsRect().Left, 104) << "over the text, not 200 pixels right of it";
    EXPECT_EQ(tree.Editor().BoundsRect().Top, 0);
    const int width = tree.Editor().BoundsRect().Width();
    EXPECT_GE(width, TStringEditLink::MinimumWidth);
    if (const char* dir = std::getenv("LORVANE_PNG_DIR")) {
        TBitmap shot;
        tree.PaintTo(shot);
        // The headless editor has no pixels: its frame is drawn where it lies.
        TRect frame = tree.Editor().BoundsRect();
        frame.Offset(tree.ClientOrigin().Left, tree.ClientOrigin().Top);
        shot.Canvas().Brush().SetColor(clRed);
        shot.Canvas().FrameRect(frame);
        shot.SaveToFile(std::string(dir) + "/tree-edit-scrolled.png");
    }

    // Scrolling moves the editor with its cell; so does a column resize before it.
    tree.SetOffsetX(-180);
    EXPECT_EQ(tree.Editor().BoundsRect().Left, 124);
    EXPECT_EQ(tree.Editor().BoundsRect().Width(), width);
    tree.SetOffsetY(-40);
    EXPECT_EQ(tree.Editor().BoundsRect().Top, -40);
    tree.SetOffsetY(0);
    tree.Header().Columns()[1].SetWidth(100);
    EXPECT_EQ(tree.Editor().BoundsRect().Left, 74);
    EXPECT_EQ(tree.Editor().BoundsRect().Width(), width);
    // What was typed keeps its room when the editor moves.
    HeadlessEditType(tree.Editor(), "a longer row");
    const int typed = tree.Editor().BoundsRect().Width();
    EXPECT_GT(typed, width);
    tree.SetOffsetX(-170);
    EXPECT_EQ(tree.Editor().BoundsRect().Left, 84);
    EXPECT_EQ(tree.Editor().BoundsRect().Width(), typed);
    tree.CancelEditNode();
    Pump();

    // Grid extensions and horizontal grid lines hold wherever the editor is placed from.
    tree.Header().Columns()[1].SetWidth(150);
    TVTMiscOptions misc = tree.TreeOptions().MiscOptions();
    misc.Include(toGridExtensions);
    tree.TreeOptions().SetMiscOptions(misc);
    TVTPaintOptions paint = tree.TreeOptions().PaintOptions();
    paint.Include(toShowHorzGridLines);
    tree.TreeOptions().SetPaintOptions(paint);
    tree.SetOffsetX(-200);
    ASSERT_EQ(tree.OffsetX(), -200);
    ASSERT_TRUE(tree.EditNode(rows[1], 1));
    const int bottom = tree.GetDisplayRect(rows[1], 1, false).Bottom - 1;
    EXPECT_EQ(tree.Editor().BoundsRect(), (TRect{0, 18, 100, bottom}))
        << "the whole column (150 .. 300 in the content) from 0 on, above the grid line";
    tree.SetOffsetX(-130);
    EXPECT_EQ(tree.Editor().BoundsRect(), (TRect{20, 18, 170, bottom}));
    tree.Header().Columns()[0].SetWidth(100);
    EXPECT_EQ(tree.Editor().BoundsRect(), (TRect{0, 18, 120, bottom}))
        << "a narrower column before it moves it";
    tree.CancelEditNode();
    Pump();
}

TEST(TreeEditing, ProcessMessageHandsKeysAndCharactersToTheEditor) {
    EditTree tree;
    tree.Open();
    PVirtualNode a = tree.Add("Apple");
    tree.SetFocusedNode(a);
    ASSERT_TRUE(tree.Press(VK_F2));
    PVTEditLink link = tree.EditLink();
    TEditMessage key;
    key.Key = VK_END;
    link->ProcessMessage(key);
    TEditMessage character;
    character.Kind = TEditMessage::Character;
    character.Char = 's';
    link->ProcessMessage(character);
    EXPECT_EQ(tree.Editor().Text(), "Apples");
    key.Key = VK_RETURN;
    link->ProcessMessage(key);
    EXPECT_EQ(tree.log, (std::vector<std::string>{"NewText(Apples)", "Edited(-1)"}))
        << "the editor's own Enter handling ends the edit";
    Pump();
}
