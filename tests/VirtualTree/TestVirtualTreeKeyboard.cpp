// Keyboard: navigation and the selection after it, scroll-only keys, the plus and minus
// family, the Space check press, incremental search, OnKeyAction and sorting.
#include "TreeTestSupport.h"

#include "platform/ChildControls.h"
#include "platform/Help.h"
#include "platform/KeyCodes.h"
#include "platform/headless/Headless.h"

#include <cctype>
#include <map>

namespace {

class KeyTree : public TestTree {
public:
    using TBaseVirtualTree::DoExit;
    using TBaseVirtualTree::KeyDown;
    using TBaseVirtualTree::KeyPress;
    using TBaseVirtualTree::KeyUp;
    using TBaseVirtualTree::UnicodeKeyPress;
    using TBaseVirtualTree::WantKey;

    // Presses and releases a key; true when the tree consumed the press.
    bool Press(uint16_t key, TShiftState shift = 0, char character = 0) {
        uint16_t k = key;
        KeyDown(k, shift);
        bool used = k == 0;
        if (!used && character) {
            char c = character;
            KeyPress(c);
            used = c == 0;
        }
        uint16_t up = key;
        KeyUp(up, shift);
        return used;
    }
    bool Type(char c) { return Press(uint16_t(std::toupper(static_cast<unsigned char>(c))), 0, c); }
    std::vector<PVirtualNode> SelectedNodes() const { return GetSortedSelection(true); }
};

std::vector<PVirtualNode> Roots(KeyTree& tree, int count) {
    std::vector<PVirtualNode> nodes;
    for (int i = 0; i < count; ++i) nodes.push_back(tree.AddChild(nullptr));
    return nodes;
}

}  // namespace

TEST(TreeKeyboard, ArrowsMoveTheFocusAndTheSelectionFollows) {
    KeyTree tree;
    tree.SetClientSize(200, 200);
    PVirtualNode a = tree.AddChild(nullptr);
    PVirtualNode a1 = tree.AddChild(a);
    PVirtualNode b = tree.AddChild(nullptr);
    EXPECT_TRUE(tree.Press(VK_DOWN));
    EXPECT_EQ(tree.FocusedNode(), a);
    EXPECT_EQ(tree.SelectedNodes(), std::vector<PVirtualNode>{a});
    EXPECT_TRUE(tree.Press(VK_RIGHT));
    EXPECT_TRUE(tree.Expanded(a));
    EXPECT_EQ(tree.FocusedNode(), a) << "the first Right only expands";
    tree.Press(VK_RIGHT);
    EXPECT_EQ(tree.FocusedNode(), a1);
    EXPECT_EQ(tree.SelectedNodes(), std::vector<PVirtualNode>{a1});
    tree.Press(VK_LEFT);
    EXPECT_EQ(tree.FocusedNode(), a);
    tree.Press(VK_LEFT);
    EXPECT_FALSE(tree.Expanded(a));
    tree.Press(VK_BACK);
    EXPECT_EQ(tree.FocusedNode(), a) << "a top-level node has no parent to go to";
    tree.Press(VK_DOWN);
    EXPECT_EQ(tree.FocusedNode(), b);
    tree.Press(VK_DOWN);
    EXPECT_EQ(tree.FocusedNode(), b);
    EXPECT_EQ(tree.SelectedNodes(), std::vector<PVirtualNode>{b});
    EXPECT_EQ(CheckStructure(tree), "");
}

TEST(TreeKeyboard, PageKeysMoveByTheClientHeight) {
    KeyTree tree;
    tree.SetDefaultNodeHeight(18);
    tree.SetClientSize(200, 100);
    std::vector<PVirtualNode> rows = Roots(tree, 20);
    tree.Press(VK_NEXT);
    EXPECT_EQ(tree.FocusedNode(), rows.back()) << "without a focus Page Down goes to the end";
    tree.Press(VK_PRIOR);
    EXPECT_EQ(tree.FocusedNode(), rows[19 - 6]);
    tree.SetFocusedNode(rows[0]);
    tree.Press(VK_NEXT);
    EXPECT_EQ(tree.FocusedNode(), rows[6]);

    KeyTree tall;
    tall.SetDefaultNodeHeight(200);
    tall.SetClientSize(200, 100);
    std::vector<PVirtualNode> big = Roots(tall, 3);
    tall.SetFocusedNode(big[0]);
    tall.Press(VK_NEXT);
    EXPECT_EQ(tall.FocusedNode(), big[1]);
}

TEST(TreeKeyboard, CtrlKeysOnlyScroll) {
    KeyTree tree;
    tree.SetDefaultNodeHeight(20);
    tree.SetClientSize(100, 100);
    std::vector<PVirtualNode> rows = Roots(tree, 30);
    tree.SetFocusedNode(rows[0]);
    tree.Press(VK_DOWN, ssCtrl);
    EXPECT_EQ(tree.OffsetY(), -20);
    tree.Press(VK_UP, ssCtrl);
    EXPECT_EQ(tree.OffsetY(), 0);
    tree.Press(VK_NEXT, ssCtrl);
    EXPECT_EQ(tree.OffsetY(), -100);
    EXPECT_EQ(tree.FocusedNode(), rows[0]);
}

TEST(TreeKeyboard, PlusMinusFamilyAndUnusedKeysGoOn) {
    KeyTree tree;
    tree.SetClientSize(200, 200);
    Shape s = BuildShape(tree);
    tree.FullCollapse();
    tree.SetFocusedNode(s.A);
    EXPECT_TRUE(tree.Press(VK_ADD));
    EXPECT_TRUE(tree.Expanded(s.A));
    EXPECT_FALSE(tree.Press(VK_OEM_PLUS)) << "an expanded node: the key is not used";
    EXPECT_TRUE(tree.Press(VK_OEM_MINUS));
    EXPECT_FALSE(tree.Expanded(s.A));
    EXPECT_TRUE(tree.Press(VK_MULTIPLY));
    EXPECT_TRUE(tree.Expanded(s.A2));
    EXPECT_TRUE(tree.Press(VK_DIVIDE));
    EXPECT_FALSE(tree.Expanded(s.A2));
    EXPECT_TRUE(tree.Press(VK_OEM_PLUS, ssCtrl | ssShift));
    EXPECT_TRUE(tree.Expanded(s.C));
    EXPECT_TRUE(tree.Press(VK_SUBTRACT, ssCtrl | ssShift));
    EXPECT_FALSE(tree.Expanded(s.C));

    EXPECT_FALSE(tree.Press(VK_RETURN)) << "Enter belongs to the form";
    EXPECT_FALSE(tree.Press(VK_ESCAPE));
    EXPECT_FALSE(tree.Press(VK_DOWN, ssAlt)) << "Alt combinations are the menus'";
    EXPECT_FALSE(tree.Type('x')) << "no search: letters go on";
}

TEST(TreeKeyboard, F1ShowsTheFirstHelpContextFromTheFocusedNodeUp) {
    KeyTree tree;
    tree.SetClientSize(200, 200);
    Shape s = BuildShape(tree);
    tree.FullExpand();
    tree.SetFocusedNode(s.A2a);
    ClearHeadlessHelpRequests();
    int shown = 0;
    SetHelpHandler([&](int) { ++shown; });
    EXPECT_FALSE(tree.Press(VK_F1)) << "no handler: F1 goes on to the form";

    std::vector<PVirtualNode> asked;
    tree.OnGetHelpContext = [&](TBaseVirtualTree*, PVirtualNode node, TColumnIndex, int& context) {
        asked.push_back(node);
        if (node == s.A) context = 42;
    };
    EXPECT_TRUE(tree.Press(VK_F1));
    EXPECT_EQ(asked, (std::vector<PVirtualNode>{s.A2a, s.A2, s.A})) << "the root is never asked";
    EXPECT_EQ(HeadlessHelpRequests(), std::vector<int>{42});
    EXPECT_EQ(shown, 1);

    asked.clear();
    tree.SetFocusedNode(s.C1);
    EXPECT_FALSE(tree.Press(VK_F1)) << "no context anywhere: nothing shown, the key goes on";
    EXPECT_EQ(asked, (std::vector<PVirtualNode>{s.C1, s.C}));
    EXPECT_EQ(HeadlessHelpRequests().size(), 1u);
    tree.SetHelpContext(7);
    EXPECT_TRUE(tree.Press(VK_F1)) << "the control's own context comes after the nodes'";
    EXPECT_EQ(HeadlessHelpRequests(), (std::vector<int>{42, 7}));
    TCustomControl parent;
    parent.SetHelpContext(9);
    SetParentControl(tree, &parent);
    tree.SetHelpContext(0);
    EXPECT_TRUE(tree.Press(VK_F1)) << "then the parent controls' contexts";
    EXPECT_EQ(HeadlessHelpRequests(), (std::vector<int>{42, 7, 9}));
    SetParentControl(tree, nullptr);
    SetHelpHandler(nullptr);
}

TEST(TreeKeyboard, F2AsksWhetherTheFocusedCellMayBeEdited) {
    KeyTree tree;
    tree.SetClientSize(200, 200);
    std::vector<PVirtualNode> rows = Roots(tree, 2);
    int asked = 0;
    bool allow = true;
    bool startedAllowed = true;
    tree.OnEditing = [&](TBaseVirtualTree*, PVirtualNode node, TColumnIndex, bool& allowed) {
        ++asked;
        EXPECT_EQ(node, rows[1]);
        startedAllowed = allowed;
        if (!allow) allowed = false;
    };
    EXPECT_FALSE(tree.Press(VK_F2)) << "no focused node";
    EXPECT_EQ(asked, 0);
    tree.SetFocusedNode(rows[1]);
    EXPECT_FALSE(tree.Press(VK_F2)) << "not editable: nothing happens";
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(startedAllowed);

    TVTMiscOptions misc = tree.TreeOptions().MiscOptions();
    misc.Include(toEditable);
    tree.TreeOptions().SetMiscOptions(misc);
    EXPECT_TRUE(tree.Press(VK_F2));
    EXPECT_TRUE(startedAllowed);
    EXPECT_FALSE(tree.Press(VK_F2, ssShift)) << "only F2 alone edits";
    EXPECT_EQ(asked, 2);
    allow = false;
    EXPECT_FALSE(tree.Press(VK_F2)) << "OnEditing refused";
    EXPECT_EQ(asked, 3);
    EXPECT_FALSE(tree.IsEditing());
}

TEST(TreeKeyboard, OnKeyActionCanCancelOrChangeTheKey) {
    KeyTree tree;
    tree.SetClientSize(200, 200);
    std::vector<PVirtualNode> rows = Roots(tree, 3);
    tree.SetFocusedNode(rows[1]);
    tree.OnKeyAction = [](TBaseVirtualTree*, uint16_t&, TShiftState&, bool& doDefault) {
        doDefault = false;
    };
    tree.Press(VK_DOWN);
    EXPECT_EQ(tree.FocusedNode(), rows[1]);
    tree.OnKeyAction = [](TBaseVirtualTree*, uint16_t& key, TShiftState&, bool&) {
        if (key == VK_DOWN) key = VK_UP;
    };
    tree.Press(VK_DOWN);
    EXPECT_EQ(tree.FocusedNode(), rows[0]);
    EXPECT_TRUE(tree.WantKey(VK_DOWN, 0));
    EXPECT_FALSE(tree.WantKey(VK_TAB, 0));
    tree.SetWantTabs(true);
    EXPECT_TRUE(tree.WantKey(VK_TAB, 0));
}

TEST(TreeKeyboard, SpaceChecksOnReleaseAndAPressDoesNotOutliveTheFocus) {
    KeyTree tree;
    tree.SetClientSize(200, 200);
    TVTMiscOptions misc = tree.TreeOptions().MiscOptions();
    misc.Include(toCheckSupport);
    tree.TreeOptions().SetMiscOptions(misc);
    std::vector<PVirtualNode> rows = Roots(tree, 2);
    for (PVirtualNode n : rows) tree.SetCheckType(n, ctCheckBox);
    int checked = 0;
    tree.OnChecked = [&checked](TBaseVirtualTree*, PVirtualNode) { ++checked; };
    tree.SetFocusedNode(rows[0]);
    const int unpressed = tree.GetCheckImage(rows[0]);

    uint16_t key = VK_SPACE;
    tree.KeyDown(key, 0);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(tree.CheckState(rows[0]), csUncheckedNormal) << "the press is only shown";
    EXPECT_NE(tree.GetCheckImage(rows[0]), unpressed);
    key = VK_SPACE;
    tree.KeyUp(key, 0);
    EXPECT_EQ(tree.CheckState(rows[0]), csCheckedNormal);
    EXPECT_EQ(checked, 1);

    // Refused.
    tree.OnChecking = [](TBaseVirtualTree*, PVirtualNode, TCheckState&, bool& allowed) {
        allowed = false;
    };
    tree.Press(VK_SPACE);
    EXPECT_EQ(tree.CheckState(rows[0]), csCheckedNormal);
    EXPECT_EQ(checked, 1);
    tree.OnChecking = nullptr;

    // The focus goes between press and release.
    key = VK_SPACE;
    tree.SetFocusedNode(rows[1]);
    tree.SetFocusedNode(rows[0]);
    tree.KeyDown(key, 0);
    tree.DoExit();
    key = VK_SPACE;
    tree.KeyUp(key, 0);
    EXPECT_EQ(tree.CheckState(rows[0]), csCheckedNormal);
    EXPECT_EQ(checked, 1);
    EXPECT_FALSE(tree.HasTreeState(tsCheckPressPending));
    EXPECT_EQ(tree.CheckState(rows[0]) % 2, 0) << "never a pressed value in the node";
}

TEST(TreeKeyboard, IncrementalSearchScript) {
    KeyTree tree;
    tree.SetClientSize(200, 200);
    const std::vector<std::string> names = {"Apple", "Banana", "Berry", "Cherry"};
    std::vector<PVirtualNode> rows = Roots(tree, 4);
    tree.SetIncrementalSearch(isAll);
    tree.OnIncrementalSearch = [&](TBaseVirtualTree*, PVirtualNode node, const std::u16string& text,
                                   int& result) {
        const std::string& name = names[node->Index];
        result = 0;
        for (size_t i = 0; i < text.size(); ++i)
            if (i >= name.size() || std::tolower(name[i]) != std::tolower(char(text[i])))
                result = 1;
    };
    tree.SetFocusedNode(rows[0]);
    const int beeps = TreeBeepCount();
    EXPECT_TRUE(tree.Type('b'));
    EXPECT_EQ(tree.FocusedNode(), rows[1]);
    tree.Type('b');
    EXPECT_EQ(tree.FocusedNode(), rows[2]) << "the same letter cycles";
    tree.Type('e');
    EXPECT_EQ(tree.FocusedNode(), rows[2]);
    EXPECT_TRUE(tree.TimerActive(TBaseVirtualTree::SearchTimer));
    tree.TimerEvent(TBaseVirtualTree::SearchTimer);
    tree.Type('c');
    EXPECT_EQ(tree.FocusedNode(), rows[3]);
    EXPECT_EQ(TreeBeepCount(), beeps);
    tree.Type('z');
    EXPECT_EQ(tree.FocusedNode(), rows[3]);
    EXPECT_EQ(TreeBeepCount(), beeps + 1);
    EXPECT_EQ(tree.SelectedNodes(), std::vector<PVirtualNode>{rows[3]});

    // Starting over every time: no wrap, one beep.
    tree.TimerEvent(TBaseVirtualTree::SearchTimer);
    tree.SetIncrementalSearchStart(ssAlwaysStartOver);
    tree.Type('b');
    tree.Type('b');
    EXPECT_EQ(tree.FocusedNode(), rows[1]);
    tree.TimerEvent(TBaseVirtualTree::SearchTimer);
    tree.Type('q');
    EXPECT_EQ(TreeBeepCount(), beeps + 2);

    // Without a handler every node matches: the same key walks on and wraps.
    tree.TimerEvent(TBaseVirtualTree::SearchTimer);
    tree.OnIncrementalSearch = nullptr;
    tree.SetIncrementalSearchStart(ssFocusedNode);
    tree.SetFocusedNode(rows[2]);
    tree.Type('k');
    EXPECT_EQ(tree.FocusedNode(), rows[3]);
    tree.Type('k');
    EXPECT_EQ(tree.FocusedNode(), rows[0]);
}

TEST(TreeKeyboard, IncrementalSearchRunsBackwardAndForgetsAfterItsTimeout) {
    KeyTree tree;
    tree.SetClientSize(200, 200);
    std::vector<PVirtualNode> rows = Roots(tree, 4);
    tree.SetIncrementalSearch(isAll);
    tree.SetIncrementalSearchDirection(sdBackward);
    tree.SetIncrementalSearchTimeout(300);
    EXPECT_EQ(tree.IncrementalSearchTimeout(), 300u);
    EXPECT_EQ(tree.IncrementalSearchDirection(), sdBackward);
    EXPECT_EQ(tree.IncrementalSearchStart(), ssFocusedNode);
    tree.SetFocusedNode(rows[2]);
    tree.Type('k');  // without a handler every node matches
    EXPECT_EQ(tree.FocusedNode(), rows[1]);
    tree.Type('k');
    EXPECT_EQ(tree.FocusedNode(), rows[0]);
    tree.Type('k');
    EXPECT_EQ(tree.FocusedNode(), rows[3]) << "wraps to the end";
    Pump(290);
    EXPECT_TRUE(tree.TimerActive(TBaseVirtualTree::SearchTimer));
    Pump(20);
    EXPECT_FALSE(tree.TimerActive(TBaseVirtualTree::SearchTimer));
}

TEST(TreeKeyboard, IncrementalSearchTakesLettersTheCodePageLacks) {
    KeyTree tree;
    tree.SetClientSize(200, 200);
    const std::vector<std::u16string> names = {u"Apple", u"\u0416\u0443\u043a", u"Zebra"};
    std::vector<PVirtualNode> rows = Roots(tree, 3);
    tree.SetIncrementalSearch(isAll);
    std::u16string asked;
    tree.OnIncrementalSearch = [&](TBaseVirtualTree*, PVirtualNode node, const std::u16string& text,
                                   int& result) {
        asked = text;
        result = names[node->Index].rfind(text, 0) == 0 ? 0 : 1;
    };
    // A Cyrillic key: no key code of its own, its character typed as Unicode.
    uint16_t key = VK_PROCESSKEY;
    tree.KeyDown(key, 0);
    char32_t typed = U'\u0416';
    tree.UnicodeKeyPress(typed);
    EXPECT_EQ(typed, 0u) << "the search used it";
    EXPECT_EQ(asked, u"\u0416");
    EXPECT_EQ(tree.FocusedNode(), rows[1]);
}

TEST(TreeKeyboard, SortingIsStableAndRelinksTheChain) {
    KeyTree tree;
    std::vector<PVirtualNode> rows = Roots(tree, 4);
    std::map<PVirtualNode, std::string> name = {
        {rows[0], "b1"}, {rows[1], "a"}, {rows[2], "b2"}, {rows[3], "c"}};
    int compares = 0;
    tree.OnCompareNodes = [&](TBaseVirtualTree*, PVirtualNode x, PVirtualNode y, TColumnIndex,
                              int& result) {
        ++compares;
        result = name[x][0] - name[y][0];
    };
    auto order = [&] {
        std::string out;
        for (PVirtualNode n = tree.GetFirstChildNoInit(nullptr); n; n = n->NextSibling)
            out += name[n] + " ";
        return out;
    };
    tree.Sort(nullptr, 0, sdAscending, false);
    EXPECT_EQ(order(), "a b1 b2 c ");
    tree.Sort(nullptr, 0, sdDescending, false);
    EXPECT_EQ(order(), "c b1 b2 a ");
    EXPECT_EQ(CheckStructure(tree), "");
    uint32_t index = 0;
    for (PVirtualNode n = tree.GetFirstChildNoInit(nullptr); n; n = n->NextSibling)
        EXPECT_EQ(n->Index, index++);

    PVirtualNode only = tree.AddChild(rows[1]);
    compares = 0;
    int updating = 0;
    tree.OnUpdating = [&updating](TBaseVirtualTree*, TVTUpdateState) { ++updating; };
    tree.SortTree(0, sdAscending, true);
    EXPECT_EQ(order(), "a b1 b2 c ");
    EXPECT_EQ(updating, 0);
    EXPECT_GT(compares, 0);
    (void)only;
}
