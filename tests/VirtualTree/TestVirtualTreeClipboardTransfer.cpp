// Nodes through the clipboard: the tree's data object and its exact payload, copy, cut and paste
// within a tree and between trees, the guards, losing the clipboard, and foreign, damaged and
// forged data.
#include "TreeTestSupport.h"
#include "VirtualStringTree.h"
#include "VirtualTreesClipboard.h"

#include "platform/Clipboard.h"
#include "platform/LiveRegistry.h"

#include <cctype>
#include <cstring>
#include <random>

namespace {

// Each test gets a clipboard of its own.
struct OwnClipboard {
    std::unique_ptr<TClipboardStore> store = CreateMemoryClipboard();
    OwnClipboard() { SetClipboardStore(store.get()); }
    ~OwnClipboard() { SetClipboardStore(nullptr); }
};

// A clipboard that cannot be read.
class BrokenClipboard : public TClipboardStore {
public:
    bool HasText() const override { return false; }
    std::string Text() const override { return {}; }
    bool HasFormat(std::string_view) const override { return false; }
    std::string Data(std::string_view) const override { return {}; }
    void Set(std::string_view, std::string_view, std::string_view) override {}
    bool SetDataObject(PDataObject) override { return false; }
    PDataObject DataObject() override { return nullptr; }
    void Clear() override {}
};

// A tree whose nodes carry a name that travels in their user-data chunk.
struct NamedTree : TestTree {
    NamedTree() {
        SetNodeDataSize(8);
        OnSaveNode = [](TBaseVirtualTree* t, PVirtualNode n, TStream& s) {
            s.WriteBuffer(t->GetNodeData(n), 8);
        };
        OnLoadNode = [](TBaseVirtualTree* t, PVirtualNode n, TStream& s) {
            s.Read(t->GetNodeData(n), 8);
        };
    }
    PVirtualNode Add(PVirtualNode parent, const char* name) {
        PVirtualNode node = AddChild(parent);
        std::strncpy(static_cast<char*>(GetNodeData(node)), name, 7);
        return node;
    }
    std::string Name(PVirtualNode node) const {
        return std::string(static_cast<const char*>(GetNodeData(node)));
    }
    // "A(A1,A2),C" for the whole tree.
    std::string Shape(PVirtualNode parent = nullptr) const {
        std::string out;
        for (PVirtualNode n = (parent ? parent : RootNode())->FirstChild; n; n = n->NextSibling) {
            if (!out.empty()) out += ",";
            out += Name(n);
            if (n->FirstChild) out += "(" + Shape(n) + ")";
        }
        return out;
    }
    PVirtualNode Find(const std::string& name) const {
        for (PVirtualNode n : AllNodes(*this))
            if (Name(n) == name) return n;
        return nullptr;
    }
    void Select(std::initializer_list<const char*> names) {
        ClearSelection();
        for (const char* name : names) AddToSelection(Find(name));
    }
};

// A(A1,A2(A2a)),C(C1) with multi-selection.
void Fill(NamedTree& tree) {
    TVTSelectionOptions options = tree.TreeOptions().SelectionOptions();
    options.Include(toMultiSelect);
    tree.TreeOptions().SetSelectionOptions(options);
    PVirtualNode a = tree.Add(nullptr, "A");
    tree.Add(a, "A1");
    tree.Add(tree.Add(a, "A2"), "A2a");
    tree.Add(tree.Add(nullptr, "C"), "C1");
}

int CutCopyMarks(const TBaseVirtualTree& tree) {
    int marks = 0;
    for (PVirtualNode n : AllNodes(tree)) marks += HasState(n, vsCutOrCopy) ? 1 : 0;
    return marks;
}

std::string Payload(std::initializer_list<int> bytes) {
    std::string out;
    for (int b : bytes) out += char(b);
    return out;
}

// Bytes written as hexadecimal pairs; other characters separate them.
std::string Hex(const char* text) {
    std::string out;
    for (const char* p = text; p[0]; ++p)
        if (std::isxdigit(uint8_t(p[0])) && std::isxdigit(uint8_t(p[1]))) {
            out += char(std::stoi(std::string(p, 2), nullptr, 16));
            ++p;
        }
    return out;
}

std::string U32(uint32_t v) {
    return Payload({int(v & 0xFF), int(v >> 8 & 0xFF), int(v >> 16 & 0xFF), int(v >> 24)});
}

int PasteError(TBaseVirtualTree& tree) {
    try {
        tree.PasteFromClipboard();
    } catch (const EVirtualTreeError& e) {
        return e.HelpContext;
    }
    return 0;
}

}  // namespace

TEST(ClipboardTransfer, TheDataObjectOffersTheNativeFormatsAndTheReference) {
    OwnClipboard clipboard;
    TVirtualStringTree strings;
    const std::vector<TClipFormat> native = strings.GetNativeClipboardFormats();
    std::vector<TClipFormat> expected;
    for (const TClipboardFormatListEntry& e : ClipboardFormatsOf(VirtualStringTreeClass))
        expected.push_back(e.Format);
    EXPECT_EQ(native, expected);
    EXPECT_EQ(strings.CreateDataObject(true)->Formats().back(), VirtualTreeReferenceFormat());

    TestTree base;
    EXPECT_EQ(base.GetNativeClipboardFormats(), std::vector<TClipFormat>{VirtualTreeDataFormat()});
    const TClipFormat own = RegisterClipboardFormatName("Test user format");
    base.OnGetUserClipboardFormats = [own](TBaseVirtualTree*, std::vector<TClipFormat>& formats) {
        formats.push_back(own);
    };
    base.OnRenderOLEData = [own](TBaseVirtualTree*, TClipFormat format, bool forClipboard,
                                 std::string& data, int& result) {
        if (format != own) return;
        data = forClipboard ? "clip" : "drag";
        result = 0;
    };
    PDataObject data = base.CreateDataObject(false);
    EXPECT_EQ(data->Formats(), (std::vector<TClipFormat>{VirtualTreeDataFormat(), own,
                                                         VirtualTreeReferenceFormat()}));
    EXPECT_EQ(data->GetData(own), "drag");
    EXPECT_EQ(data->GetData(StandardFormatText), std::nullopt) << "not offered";
    EXPECT_EQ(data->GetData(VirtualTreeDataFormat()), std::nullopt) << "nothing selected";
    EXPECT_EQ(TBaseVirtualTree::SourceTreeOf(*data), &base);
    EXPECT_FALSE(static_cast<TVTDataObject&>(*data).ForClipboard());
    EXPECT_TRUE(static_cast<TVTDataObject&>(*base.CreateDataObject(true)).ForClipboard());
}

TEST(ClipboardTransfer, VirtualTreeDataIsTheCountAndTheTopmostNodeRecords) {
    OwnClipboard clipboard;
    TVirtualStringTree tree;
    TVTSelectionOptions options = tree.TreeOptions().SelectionOptions();
    options.Include(toMultiSelect);
    tree.TreeOptions().SetSelectionOptions(options);
    tree.OnGetText = [](TBaseVirtualTree*, PVirtualNode, TColumnIndex, TVSTTextType,
                        std::string& text) { text = "A"; };
    PVirtualNode a = tree.AddChild(nullptr);
    tree.AddToSelection(a);
    tree.CopyToClipboard();
    EXPECT_TRUE(HasState(a, vsCutOrCopy));
    const std::optional<std::string> data = ClipboardDataObject()->GetData(VirtualTreeDataFormat());
    ASSERT_TRUE(data);
    EXPECT_EQ(*data, Hex("2B 00 00 00 | 01 00 00 00 23 00 00 00 | 02 00 00 00 11 00 00 00 "
                         "00 00 00 00 12 00 00 00 81 01 32 00 00 00 00 00 00 | "
                         "03 00 00 00 02 00 00 00 41 00"));
    EXPECT_EQ(data->size(), 47u);
    // The text formats render the same set, lazily: a changed text shows in the next request.
    EXPECT_EQ(ClipboardText(), "A\r\n");
    tree.OnGetText = [](TBaseVirtualTree*, PVirtualNode, TColumnIndex, TVSTTextType,
                        std::string& text) { text = "B"; };
    EXPECT_EQ(ClipboardData("text/csv"), "B\r\n");

    // A selected child of a selected parent travels inside its parent only.
    PVirtualNode child = tree.AddChild(a);
    tree.SetExpanded(a, true);
    tree.CopyToClipboard();
    const size_t parentOnly = ClipboardDataObject()->GetData(VirtualTreeDataFormat())->size();
    tree.AddToSelection(child);
    tree.CopyToClipboard();
    EXPECT_EQ(tree.GetSortedCutCopySet(false).size(), 2u);
    EXPECT_EQ(tree.GetSortedCutCopySet(true), std::vector<PVirtualNode>{a});
    EXPECT_EQ(ClipboardDataObject()->GetData(VirtualTreeDataFormat())->size(), parentOnly);
    EXPECT_GT(parentOnly, data->size());
}

TEST(ClipboardTransfer, CopyAndPasteWithinATreeInsertsCopies) {
    OwnClipboard clipboard;
    NamedTree tree;
    Fill(tree);
    tree.Select({"A2", "C1"});
    tree.CopyToClipboard();
    EXPECT_TRUE(tree.HasTreeState(tsCopyPending));
    EXPECT_EQ(CutCopyMarks(tree), 2);

    tree.SetFocusedNode(tree.Find("A1"));
    int copied = 0;
    tree.OnNodeCopied = [&](TBaseVirtualTree*, PVirtualNode) { ++copied; };
    EXPECT_TRUE(tree.PasteFromClipboard());
    EXPECT_EQ(tree.Shape(), "A(A1(A2(A2a),C1),A2(A2a)),C(C1)");
    EXPECT_EQ(copied, 2);
    EXPECT_TRUE(tree.HasTreeState(tsCopyPending)) << "a copy can be pasted again";
    EXPECT_EQ(CheckStructure(tree), "");
    // Copies keep their order in the modes that put each first, too.
    tree.SetDefaultPasteMode(amInsertAfter);
    tree.SetFocusedNode(tree.Find("C"));
    EXPECT_TRUE(tree.PasteFromClipboard());
    EXPECT_EQ(tree.Shape(), "A(A1(A2(A2a),C1),A2(A2a)),C(C1),A2(A2a),C1");
    tree.DeleteNode(tree.RootNode()->LastChild);
    tree.DeleteNode(tree.RootNode()->LastChild);
    tree.SetDefaultPasteMode(amAddChildLast);

    // The application refuses one node; without a focus the copies go to the end.
    tree.OnNodeCopying = [&](TBaseVirtualTree* t, PVirtualNode node, PVirtualNode parent,
                             bool& allowed) {
        EXPECT_EQ(parent, nullptr);
        allowed = static_cast<NamedTree*>(t)->Name(node) != "A2";
    };
    tree.SetFocusedNode(nullptr);
    copied = 0;
    EXPECT_TRUE(tree.PasteFromClipboard());
    EXPECT_EQ(tree.Shape(), "A(A1(A2(A2a),C1),A2(A2a)),C(C1),C1");
    EXPECT_EQ(copied, 1);
    EXPECT_EQ(CheckStructure(tree), "");
}

TEST(ClipboardTransfer, CutAndPasteMovesTheNodesInTheirOrder) {
    struct Case {
        TVTNodeAttachMode mode;
        const char* target;
        const char* shape;
    };
    const Case cases[] = {
        {amAddChildLast, "C", "A(A2(A2a)),C(A1,C1)"},
        {amAddChildFirst, "C", "A(A2(A2a)),C(A1,C1)"},
        {amInsertAfter, "A2", "A(A2(A2a),A1,C1),C"},
        {amInsertBefore, "A2", "A(A1,C1,A2(A2a)),C"},
    };
    for (const Case& c : cases) {
        OwnClipboard clipboard;
        NamedTree tree;
        Fill(tree);
        tree.Select({"A1", "C1"});
        tree.CutToClipboard();
        EXPECT_TRUE(tree.HasTreeState(tsCutPending));
        tree.SetDefaultPasteMode(c.mode);
        tree.SetFocusedNode(tree.Find(c.target));
        const uint32_t count = tree.TotalCount();
        EXPECT_TRUE(tree.PasteFromClipboard());
        EXPECT_EQ(tree.Shape(), c.shape) << int(c.mode);
        EXPECT_EQ(tree.TotalCount(), count);
        // The cut is over: no marks, and the clipboard's object has no nodes left to give.
        EXPECT_FALSE(tree.HasTreeState(tsCutPending));
        EXPECT_EQ(CutCopyMarks(tree), 0);
        EXPECT_TRUE(ClipboardDataObject()->HasFormat(VirtualTreeDataFormat()));
        EXPECT_FALSE(tree.PasteFromClipboard());
        EXPECT_EQ(tree.Shape(), c.shape);
        EXPECT_EQ(CheckStructure(tree), "");
    }
}

TEST(ClipboardTransfer, ACutNodeNeverMovesIntoItsOwnSubtree) {
    OwnClipboard clipboard;
    NamedTree tree;
    Fill(tree);
    tree.Select({"A", "C1"});
    tree.CutToClipboard();
    tree.SetFocusedNode(tree.Find("A2a"));
    EXPECT_TRUE(tree.PasteFromClipboard());
    EXPECT_EQ(tree.Shape(), "A(A1,A2(A2a(C1))),C") << "A stays, C1 moves";
    EXPECT_EQ(CheckStructure(tree), "");
}

TEST(ClipboardTransfer, CutAndPasteIntoAnotherTree) {
    OwnClipboard clipboard;
    NamedTree source, target;
    Fill(source);
    PVirtualNode anchor = target.Add(nullptr, "T");
    source.Select({"A2", "C"});
    source.CutToClipboard();
    // The application keeps A2 where it is.
    source.OnNodeMoving = [&](TBaseVirtualTree*, PVirtualNode node, PVirtualNode, bool& allowed) {
        allowed = source.Name(node) != "A2";
    };
    target.SetFocusedNode(anchor);
    target.SetDefaultPasteMode(amAddChildFirst);
    EXPECT_TRUE(target.PasteFromClipboard());
    EXPECT_EQ(target.Shape(), "T(C(C1))");
    EXPECT_EQ(source.Shape(), "A(A1,A2(A2a))") << "the refused node stays";
    EXPECT_FALSE(source.HasTreeState(tsCutPending));
    EXPECT_EQ(CutCopyMarks(source), 0);
    EXPECT_EQ(CheckStructure(source), "");
    EXPECT_EQ(CheckStructure(target), "");

    // Order is kept across trees too.
    source.OnNodeMoving = nullptr;
    source.Select({"A1", "A2"});
    source.CutToClipboard();
    target.SetFocusedNode(anchor);
    EXPECT_TRUE(target.PasteFromClipboard());
    EXPECT_EQ(target.Shape(), "T(A1,A2(A2a),C(C1))");
    EXPECT_EQ(source.Shape(), "A");

    // A copy in another tree pastes copies and leaves the source as it is.
    target.Select({"C1"});
    target.CopyToClipboard();
    source.SetFocusedNode(nullptr);
    EXPECT_TRUE(source.PasteFromClipboard());
    EXPECT_EQ(source.Shape(), "A,C1");
    EXPECT_EQ(target.Shape(), "T(A1,A2(A2a),C(C1))");
    EXPECT_TRUE(target.HasTreeState(tsCopyPending));
}

TEST(ClipboardTransfer, GuardsOfCopyAndCut) {
    OwnClipboard clipboard;
    NamedTree tree;
    Fill(tree);
    SetClipboardText("before");
    tree.CopyToClipboard();
    tree.CutToClipboard();
    EXPECT_EQ(ClipboardText(), "before") << "nothing selected: the clipboard stays";
    EXPECT_FALSE(tree.HasTreeState(tsCopyPending) || tree.HasTreeState(tsCutPending));

    // Disabled nodes are not marked; a refused clipboard marks nothing.
    PVirtualNode a1 = tree.Find("A1");
    IncludeStates(a1, vsDisabled);
    tree.Select({"A1", "C1"});
    tree.CopyToClipboard();
    EXPECT_FALSE(HasState(a1, vsCutOrCopy));
    EXPECT_TRUE(HasState(tree.Find("C1"), vsCutOrCopy));
    tree.CancelCutOrCopy();
    BrokenClipboard broken;
    SetClipboardStore(&broken);
    tree.CutToClipboard();
    EXPECT_EQ(CutCopyMarks(tree), 0);
    EXPECT_FALSE(tree.HasTreeState(tsCutPending));
    // Paste from a clipboard that cannot be read.
    EXPECT_EQ(PasteError(tree), 2007);
    try {
        tree.PasteFromClipboard();
    } catch (const EVirtualTreeError& e) {
        EXPECT_STREQ(e.what(), "Clipboard operation failed.");
    }
}

TEST(ClipboardTransfer, LosingTheClipboardEndsTheCutOrCopy) {
    OwnClipboard clipboard;
    NamedTree tree, other;
    Fill(tree);
    Fill(other);
    tree.SetClientSize(200, 200);
    tree.Show();
    tree.Select({"A", "C1"});
    tree.CutToClipboard();
    EXPECT_EQ(CutCopyMarks(tree), 2);
    Pump(20);
    const int paints = tree.paints;
    SetClipboardText("another owner");
    EXPECT_EQ(CutCopyMarks(tree), 0);
    EXPECT_FALSE(tree.HasTreeState(tsCutPending));
    Pump(20);
    EXPECT_GT(tree.paints, paints) << "the marks are repainted away";

    // Another tree's copy ends this tree's; a new copy of the same tree replaces its own.
    tree.CopyToClipboard();
    tree.Select({"A1"});
    tree.CopyToClipboard();
    EXPECT_EQ(CutCopyMarks(tree), 1);
    other.Select({"C"});
    other.CopyToClipboard();
    EXPECT_EQ(CutCopyMarks(tree), 0);
    EXPECT_TRUE(other.HasTreeState(tsCopyPending));

    // Clearing a tree takes its pending copy off the clipboard; other trees leave it alone.
    tree.Clear();
    EXPECT_TRUE(ClipboardDataObject()->HasFormat(VirtualTreeDataFormat()));
    other.Clear();
    EXPECT_FALSE(ClipboardDataObject()->HasFormat(VirtualTreeDataFormat()));
}

TEST(ClipboardTransfer, ADataObjectOutlivingItsTreeRendersNothing) {
    OwnClipboard clipboard;
    PDataObject data;
    uint32_t identity = 0;
    {
        NamedTree tree;
        Fill(tree);
        tree.Select({"A"});
        data = tree.CreateDataObject(false);
        identity = tree.TreeIdentity();
        EXPECT_EQ(TBaseVirtualTree::FindLiveTree(identity), &tree);
        EXPECT_TRUE(data->GetData(VirtualTreeDataFormat()));
        tree.CopyToClipboard();
    }
    EXPECT_EQ(TBaseVirtualTree::FindLiveTree(identity), nullptr);
    EXPECT_EQ(data->GetData(VirtualTreeDataFormat()), std::nullopt);
    EXPECT_EQ(TBaseVirtualTree::SourceTreeOf(*data), nullptr);
    EXPECT_FALSE(ClipboardDataObject()->HasFormat(VirtualTreeDataFormat()))
        << "the tree took its copy off the clipboard";
}

TEST(ClipboardTransfer, ForeignTextAndForgedReferences) {
    OwnClipboard clipboard;
    NamedTree tree;
    Fill(tree);
    SetClipboardText("only text");
    const std::string shape = tree.Shape();
    EXPECT_FALSE(tree.PasteFromClipboard());
    EXPECT_EQ(tree.Shape(), shape);

    // Nodes from another tree of the program, with references that must not find it.
    NamedTree source;
    Fill(source);
    source.Select({"C1"});
    source.CutToClipboard();
    const std::string nodes = *ClipboardDataObject()->GetData(VirtualTreeDataFormat());
    const std::string forged[] = {
        U32(CurrentProcessId()) + U32(0x7FFFFFF0),                   // unknown identity
        U32(CurrentProcessId() + 1) + U32(source.TreeIdentity()),    // another process
        U32(CurrentProcessId()) + U32(source.TreeIdentity()) + "x",  // wrong size
        "",
    };
    for (const std::string& reference : forged) {
        auto data = std::make_shared<TMemoryDataObject>();
        data->SetData(VirtualTreeDataFormat(), nodes);
        data->SetData(VirtualTreeReferenceFormat(), reference);
        EXPECT_EQ(TBaseVirtualTree::SourceTreeOf(*data), nullptr);
        SetClipboardDataObject(data);
        tree.SetFocusedNode(nullptr);
        EXPECT_TRUE(tree.PasteFromClipboard());
        EXPECT_EQ(tree.RootNodeCount(), 3u) << "a copy, not a move";
        EXPECT_EQ(tree.Name(tree.RootNode()->LastChild), "C1");
        tree.DeleteNode(tree.RootNode()->LastChild);
    }
    EXPECT_EQ(source.Shape(), "A(A1,A2(A2a)),C(C1)");
    auto genuine = std::make_shared<TMemoryDataObject>();
    genuine->SetData(VirtualTreeReferenceFormat(), MakeProcessReference(source.TreeIdentity()));
    EXPECT_EQ(TBaseVirtualTree::SourceTreeOf(*genuine), &source);
}

TEST(ClipboardTransfer, DamagedNodeDataRaisesStreamErrorsAndLeavesNoHalfNode) {
    OwnClipboard clipboard;
    NamedTree source, tree;
    Fill(source);
    Fill(tree);
    source.Select({"A", "C"});
    const std::string good = *source.CreateDataObject(false)->GetData(VirtualTreeDataFormat());
    const std::string shape = tree.Shape();
    auto pasteBytes = [&](const std::string& bytes) {
        auto data = std::make_shared<TMemoryDataObject>();
        data->SetData(VirtualTreeDataFormat(), bytes);
        SetClipboardDataObject(data);
        return PasteError(tree);
    };
    EXPECT_EQ(pasteBytes(""), 2004);
    EXPECT_EQ(pasteBytes("\x01\x00"), 2004);
    EXPECT_EQ(pasteBytes(U32(uint32_t(good.size()))), 2004) << "a count past the payload";
    EXPECT_EQ(pasteBytes(U32(8) + U32(7) + U32(0)), 2005) << "no anchor chunk";
    EXPECT_EQ(tree.Shape(), shape);
    // A record cut short: the whole first record stays, the broken second one is gone.
    std::string cut = good.substr(0, good.size() - 3);
    cut.replace(0, 4, U32(uint32_t(cut.size() - 4)));
    EXPECT_EQ(pasteBytes(cut), 2004);
    EXPECT_EQ(tree.Shape(), shape + ",A(A1,A2(A2a))");
    EXPECT_EQ(CheckStructure(tree), "");
    // A shorter count reads only that much.
    tree.DeleteNode(tree.RootNode()->LastChild);
    const uint32_t firstRecord = 8 + uint32_t(uint8_t(good[8]) | uint8_t(good[9]) << 8);
    EXPECT_EQ(pasteBytes(U32(firstRecord) + good.substr(4)), 0);
    EXPECT_EQ(tree.Shape(), shape + ",A(A1,A2(A2a))");

    // Random damage never crashes, never reads past the payload and never breaks the tree.
    std::mt19937 random(113);
    for (int round = 0; round < 300; ++round) {
        std::string bytes = good;
        const int flips = 1 + int(random() % 4);
        for (int k = 0; k < flips; ++k) bytes[random() % bytes.size()] = char(random());
        if (round % 3 == 0) bytes.resize(random() % bytes.size());
        const int error = pasteBytes(bytes);
        EXPECT_TRUE(error == 0 || (error >= 2004 && error <= 2006)) << error;
        ASSERT_EQ(CheckStructure(tree), "") << round;
    }
}

TEST(ClipboardTransfer, TextFormatsCarryTheCellFontsOnPaintTextChooses) {
    OwnClipboard clipboard;
    TVirtualStringTree tree;
    TVTSelectionOptions options = tree.TreeOptions().SelectionOptions();
    options.Include(toMultiSelect);
    tree.TreeOptions().SetSelectionOptions(options);
    PVirtualNode a = tree.AddChild(nullptr);
    PVirtualNode b = tree.AddChild(nullptr);
    tree.OnGetText = [a](TBaseVirtualTree*, PVirtualNode node, TColumnIndex, TVSTTextType,
                         std::string& text) { text = node == a ? "A" : "B"; };
    tree.OnPaintText = [b](TBaseVirtualTree*, TCanvas& canvas, PVirtualNode node, TColumnIndex,
                           TVSTTextType) {
        if (node != b) return;
        canvas.Font().SetStyle(fsBold);
        canvas.Font().SetColor(TColor(0x0000FF));
    };
    tree.AddToSelection(a);
    tree.AddToSelection(b);
    tree.CopyToClipboard();
    const std::string html = ClipboardData("text/html");
    const std::string plain = " <td class=\"normalborder\"  height=\"18px\">A</td>";
    EXPECT_NE(html.find(plain), html.npos) << html;
    const std::string styled = " <td class=\"normalborder\"  style=\"{font: bold " +
                               std::to_string(tree.Font().Size()) + "pt " + tree.Font().Name() +
                               ";color:#FF0000;}\" height=\"18px\">B</td>";
    EXPECT_NE(html.find(styled), html.npos) << html;
    const std::string rtf = ClipboardData("text/rtf");
    EXPECT_NE(rtf.find("\\red255\\green0\\blue0;"), rtf.npos) << rtf;
    EXPECT_NE(rtf.find("\\b\\cf2 \\u66\\'3f\\b0"), rtf.npos) << rtf;
    EXPECT_EQ(ClipboardData("application/rtf"), rtf) << "rich text under both MIME types";
}

TEST(ClipboardTransfer, CutNodesShowBlendedImagesCopiedOnesDoNot) {
    OwnClipboard clipboard;
    TVirtualStringTree tree;
    TCustomImageList images(nullptr, 16, 16);
    TBitmap square(16, 16);
    square.Canvas().Brush().SetColor(clRed);
    square.Canvas().FillRect({0, 0, 16, 16});
    images.Add(square, clNone);
    tree.SetImages(&images);
    TVTPaintOptions paint = tree.TreeOptions().PaintOptions();
    paint.Include(toUseBlendedImages);
    tree.TreeOptions().SetPaintOptions(paint);
    tree.OnGetImageIndex = [](TBaseVirtualTree*, PVirtualNode, TVTImageKind kind, TColumnIndex,
                              bool&, int& index) {
        if (kind == ikNormal) index = 0;
    };
    tree.OnGetText = [](TBaseVirtualTree*, PVirtualNode node, TColumnIndex, TVSTTextType,
                        std::string& text) { text = "Node " + std::to_string(node->Index); };
    tree.HandleNeeded();
    tree.SetBounds(0, 0, 200, 80);
    tree.Show();
    tree.SetRootNodeCount(3);
    PVirtualNode second = tree.GetFirst()->NextSibling;
    tree.AddToSelection(second);
    tree.CutToClipboard();
    tree.ClearSelection();
    TBitmap shot;
    tree.PaintTo(shot);
    // The image's middle in the first and in the second row.
    const TRect client = tree.ClientOrigin();
    const TRect first = tree.GetDisplayRect(tree.GetFirst(), NoColumn, false);
    const int x = client.Left + first.Left + tree.Margin() + int(tree.Indent()) + 8;
    EXPECT_EQ(shot.Pixel(x, client.Top + 9), clRed);
    EXPECT_NE(shot.Pixel(x, client.Top + 18 + 9), clRed) << "the cut node's image is blended";
    if (const char* dir = std::getenv("LORVANE_PNG_DIR"))
        shot.SaveToFile(std::string(dir) + "/tree-cut-node.png");
    tree.AddToSelection(second);
    tree.CopyToClipboard();
    tree.ClearSelection();
    tree.PaintTo(shot);
    EXPECT_EQ(shot.Pixel(x, client.Top + 18 + 9), clRed) << "a copied node's image is its own";
}

TEST(ClipboardTransfer, TheStandardEditActionsRunOnTheTree) {
    OwnClipboard clipboard;
    NamedTree tree;
    Fill(tree);
    TBasicAction copy(TActionKind::EditCopy), paste(TActionKind::EditPaste),
        remove(TActionKind::EditDelete), selectAll(TActionKind::EditSelectAll),
        custom(TActionKind::Custom);
    for (TBasicAction* action : {&copy, &paste, &remove, &selectAll, &custom})
        action->SetTarget(&tree);
    EXPECT_TRUE(copy.Update());
    EXPECT_FALSE(copy.Enabled()) << "nothing selected";
    EXPECT_FALSE(copy.Execute());
    EXPECT_TRUE(paste.Update());
    EXPECT_TRUE(paste.Enabled());
    EXPECT_TRUE(selectAll.Update());
    EXPECT_TRUE(selectAll.Enabled()) << "with toMultiSelect and shown nodes";
    EXPECT_FALSE(custom.Update()) << "not a command of the tree";
    EXPECT_FALSE(custom.Execute());

    tree.Select({"A2"});
    remove.Update();
    copy.Update();
    ASSERT_TRUE(copy.Execute());
    EXPECT_TRUE(tree.HasTreeState(tsCopyPending));
    tree.SetFocusedNode(tree.Find("C"));
    ASSERT_TRUE(paste.Execute());
    EXPECT_EQ(tree.Shape(), "A(A1,A2(A2a)),C(C1,A2(A2a))");
    tree.Select({"A1"});
    ASSERT_TRUE(remove.Execute());
    EXPECT_EQ(tree.Shape(), "A(A2(A2a)),C(C1,A2(A2a))");

    ASSERT_TRUE(selectAll.Execute());
    EXPECT_EQ(tree.SelectionCount(), tree.TotalCount());
    TVTSelectionOptions options = tree.TreeOptions().SelectionOptions();
    options.Exclude(toMultiSelect);
    tree.TreeOptions().SetSelectionOptions(options);
    selectAll.Update();
    EXPECT_FALSE(selectAll.Enabled());
}
