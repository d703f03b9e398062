// Tree streams: byte-exact files, round trips, header and record errors, skipped chunks,
// version 1, selection on load, captions, and random and mutated streams that must never crash
// the reader or break the tree.
#include "TempDir.h"
#include "TreeTestSupport.h"

#include "VirtualStringTree.h"

#include "platform/Streams.h"

#include <cstring>
#include <random>

namespace {

std::vector<uint8_t> Bytes(TMemoryStream& s) {
    return s.Bytes();
}

void Append32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

std::vector<uint8_t> Header(int version = 2) {
    std::vector<uint8_t> b = {0x45, 0x20, 'V', 0, 'T', 0, uint8_t(version), 0, ' ', 0, 0x46, 0x20};
    return b;
}

// A version-2 node record with no children.
std::vector<uint8_t> Leaf(uint16_t states = vsVisible | vsInitialized, uint32_t height = 18) {
    std::vector<uint8_t> b;
    Append32(b, 1);
    Append32(b, 8 + 17);
    Append32(b, 2);
    Append32(b, 17);
    Append32(b, 0);
    Append32(b, height);
    b.push_back(uint8_t(states));
    b.push_back(uint8_t(states >> 8));
    b.push_back(50);
    b.push_back(0);
    b.push_back(0);
    Append32(b, 0);
    return b;
}

void Load(TBaseVirtualTree& tree, const std::vector<uint8_t>& bytes) {
    TReadOnlyMemoryStream s(bytes.data(), int64_t(bytes.size()));
    tree.LoadFromStream(s);
}

int ErrorCode(TBaseVirtualTree& tree, const std::vector<uint8_t>& bytes) {
    try {
        Load(tree, bytes);
    } catch (const EVirtualTreeError& e) {
        return e.HelpContext;
    }
    return 0;
}

}  // namespace

TEST(TreeStreams, FilesAreByteExact) {
    TestTree tree;
    TMemoryStream empty;
    tree.SaveToStream(empty);
    std::vector<uint8_t> expected = Header();
    Append32(expected, 0);
    EXPECT_EQ(Bytes(empty), expected);

    tree.SetNodeDataSize(4);
    PVirtualNode node = tree.AddChild(nullptr);
    tree.InitNode(node);
    TMemoryStream one;
    tree.SaveToStream(one);
    EXPECT_EQ(one.Size(), 49) << "header, count, anchor and base chunk; no user data";
    TempDir dir;
    one.SaveToFile(dir.File("tree.bin"));
    TestTree loaded;
    loaded.LoadFromFile(dir.File("tree.bin"));
    EXPECT_EQ(loaded.RootNodeCount(), 1u);

    tree.OnSaveNode = [](TBaseVirtualTree*, PVirtualNode, TStream& s) {
        const uint32_t v = 0xCAFE;
        s.WriteBuffer(&v, 4);
    };
    TMemoryStream withData;
    tree.SaveToStream(withData);
    EXPECT_EQ(withData.Size(), 61);
    const std::vector<uint8_t> b = Bytes(withData);
    EXPECT_EQ(b[16], 1);       // anchor
    EXPECT_EQ(b[24], 2);       // base chunk first
    EXPECT_EQ(b[24 + 25], 4);  // then the user data
}

TEST(TreeStreams, RoundTripKeepsShapeStatesAndSelection) {
    TestTree source;
    source.SetNodeDataSize(4);
    TVTSelectionOptions multi = source.TreeOptions().SelectionOptions();
    multi.Include(toMultiSelect);
    source.TreeOptions().SetSelectionOptions(multi);
    Shape s = BuildShape(source);
    for (PVirtualNode n : AllNodes(source)) {
        source.InitNode(n);
        *source.GetNodeData<uint32_t>(n) = n->Index + 100 * source.GetNodeLevel(n);
    }
    source.AddToSelection(s.A1);
    source.SetCheckType(s.C1, ctCheckBox);
    source.OnSaveNode = [](TBaseVirtualTree* t, PVirtualNode n, TStream& st) {
        st.WriteBuffer(t->GetNodeData(n), 4);
    };
    TMemoryStream stream;
    source.SaveToStream(stream);

    TestTree target;
    target.SetNodeDataSize(4);
    target.TreeOptions().SetSelectionOptions(multi);
    target.OnLoadNode = [](TBaseVirtualTree* t, PVirtualNode n, TStream& st) {
        st.ReadBuffer(t->GetNodeData(n), 4);
        EXPECT_EQ(st.Size(), 4) << "the handler sees its chunk only";
    };
    stream.SetPosition(0);
    target.LoadFromStream(stream);
    EXPECT_EQ(CheckStructure(target), "");
    EXPECT_EQ(target.TotalCount(), source.TotalCount());
    EXPECT_EQ(target.VisibleCount(), source.VisibleCount());
    EXPECT_EQ(target.SelectionCount(), 1u);
    std::vector<PVirtualNode> a = AllNodes(source), b = AllNodes(target);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(*target.GetNodeData<uint32_t>(b[i]), *source.GetNodeData<uint32_t>(a[i]));
        EXPECT_EQ(b[i]->States & 0x01E9, a[i]->States & 0x01E9);
        EXPECT_EQ(b[i]->CheckType, a[i]->CheckType);
    }

    // Without multi-select nothing comes back selected.
    TestTree single;
    single.SetNodeDataSize(4);
    stream.SetPosition(0);
    single.LoadFromStream(stream);
    EXPECT_EQ(single.SelectionCount(), 0u);
    EXPECT_EQ(CheckStructure(single), "");
}

TEST(TreeStreams, HeaderErrorsLeaveTheTreeAndRecordErrorsKeepWhatWasRead) {
    TestTree tree;
    tree.AddChild(nullptr);
    std::vector<uint8_t> b = Header();
    b[2] = 'X';
    EXPECT_EQ(ErrorCode(tree, b), 2002);
    EXPECT_EQ(tree.TotalCount(), 1u) << "a foreign stream changes nothing";
    b = Header(3);
    EXPECT_EQ(ErrorCode(tree, b), 2003);
    b = Header(0);
    EXPECT_EQ(ErrorCode(tree, b), 2003);
    EXPECT_EQ(ErrorCode(tree, {0x45, 0x20}), 2004);

    b = Header();
    b[8] = '#';  // unit 4 is not checked
    Append32(b, 2);
    std::vector<uint8_t> leaf = Leaf();
    b.insert(b.end(), leaf.begin(), leaf.end());
    std::vector<uint8_t> broken = Leaf();
    broken[0] = 7;  // no anchor
    b.insert(b.end(), broken.begin(), broken.end());
    EXPECT_EQ(ErrorCode(tree, b), 2005);
    EXPECT_EQ(tree.TotalCount(), 1u) << "the first node stays";
    EXPECT_EQ(CheckStructure(tree), "");

    b = Header();
    Append32(b, 1);
    leaf = Leaf();
    leaf.resize(leaf.size() - 3);  // cut short
    b.insert(b.end(), leaf.begin(), leaf.end());
    EXPECT_EQ(ErrorCode(tree, b), 2004);
    EXPECT_EQ(CheckStructure(tree), "");
}

TEST(TreeStreams, UnknownChunksAreSkippedAndVersionOneRunsToTheEnd) {
    TestTree tree;
    std::vector<uint8_t> b = Header();
    Append32(b, 1);
    std::vector<uint8_t> leaf = Leaf(vsVisible | vsInitialized, 70000);
    // An unknown chunk of 3 bytes inside the node.
    leaf[4] = uint8_t(8 + 17 + 8 + 3);
    Append32(leaf, 99);
    Append32(leaf, 3);
    leaf.insert(leaf.end(), {1, 2, 3});
    b.insert(b.end(), leaf.begin(), leaf.end());
    Load(tree, b);
    ASSERT_EQ(tree.TotalCount(), 1u);
    EXPECT_EQ(tree.GetFirstNoInit()->NodeHeight, 65535) << "clamped";

    // Version 1: no count, 12-byte base chunks, selection in bit 7 of the old state byte.
    std::vector<uint8_t> v1 = Header(1);
    for (int i = 0; i < 3; ++i) {
        Append32(v1, 1);
        Append32(v1, 8 + 12);
        Append32(v1, 2);
        Append32(v1, 12);
        Append32(v1, 0);
        Append32(v1, 20);
        v1.insert(v1.end(), {uint8_t(i == 1 ? 0x81 : 0x01), 50, 9, 77});
    }
    tree.TreeOptions().SetSelectionOptions({toMultiSelect});  // a loaded selection stays
    Load(tree, v1);
    EXPECT_EQ(tree.TotalCount(), 3u);
    EXPECT_EQ(tree.VisibleCount(), 3u) << "a selected old node is visible too";
    EXPECT_EQ(tree.SelectionCount(), 1u);
    for (PVirtualNode n : AllNodes(tree)) {
        EXPECT_EQ(tree.Selected(n), n->Index == 1) << "bit 7 selects, node " << n->Index;
        EXPECT_EQ(n->CheckType, ctNone) << "unknown check type";
        EXPECT_EQ(n->CheckState, csUncheckedNormal) << "unknown check state";
    }
    EXPECT_EQ(CheckStructure(tree), "");
}

TEST(TreeStreams, SkipNodeMovesPastANodeAndRefusesOtherChunks) {
    struct SkippingTree : TestTree {
        using TBaseVirtualTree::SkipNode;
    } tree;
    std::vector<uint8_t> b = Leaf();
    const std::vector<uint8_t> second = Leaf();
    b.insert(b.end(), second.begin(), second.end());
    TReadOnlyMemoryStream s(b.data(), int64_t(b.size()));
    tree.SkipNode(s);
    EXPECT_EQ(s.Position(), int64_t(second.size()));
    s.SetPosition(8);  // the base chunk inside the first node
    try {
        tree.SkipNode(s);
        ADD_FAILURE() << "no error";
    } catch (const EVirtualTreeError& e) {
        EXPECT_EQ(e.HelpContext, 2005);
    }
}

TEST(TreeStreams, CaptionsTravelWithTheStringTree) {
    TVirtualStringTree source;
    PVirtualNode node = source.AddChild(nullptr);
    source.InitNode(node);
    source.OnGetText = [](TBaseVirtualTree*, PVirtualNode, TColumnIndex, TVSTTextType,
                          std::string& text) {
        text =
            "\xD0\x96"
            "af\xC3\xA9";
    };  // "Жafé"
    TMemoryStream stream;
    source.SaveToStream(stream);
    EXPECT_EQ(stream.Size(), 49 + 8 + 8) << "four UTF-16 units";

    TVirtualStringTree target;
    std::string received;
    target.OnNewText = [&received](TBaseVirtualTree*, PVirtualNode, TColumnIndex,
                                   const std::string& text) { received = text; };
    stream.SetPosition(0);
    target.LoadFromStream(stream);
    EXPECT_EQ(received,
              "\xD0\x96"
              "af\xC3\xA9");

    // An odd caption chunk reads size div 2 characters and goes on at its end.
    std::vector<uint8_t> b = Header();
    Append32(b, 1);
    std::vector<uint8_t> leaf = Leaf();
    leaf[4] = uint8_t(8 + 17 + 8 + 5);
    Append32(leaf, 3);
    Append32(leaf, 5);
    leaf.insert(leaf.end(), {'h', 0, 'i', 0, 'x'});
    b.insert(b.end(), leaf.begin(), leaf.end());
    Load(target, b);
    EXPECT_EQ(received, "hi");
    EXPECT_EQ(target.TotalCount(), 1u);
}

TEST(TreeStreams, DamagedStreamsNeverCrashOrBreakTheTree) {
    TestTree source;
    source.SetNodeDataSize(4);
    Shape s = BuildShape(source);
    (void)s;
    for (PVirtualNode n : AllNodes(source)) source.InitNode(n);
    source.OnSaveNode = [](TBaseVirtualTree*, PVirtualNode n, TStream& st) {
        st.WriteBuffer(&n->Index, 4);
    };
    TMemoryStream stream;
    source.SaveToStream(stream);
    const std::vector<uint8_t> good = stream.Bytes();

    std::mt19937 random(1234);
    TestTree tree;
    tree.SetNodeDataSize(4);
    tree.OnLoadNode = [](TBaseVirtualTree* t, PVirtualNode n, TStream& st) {
        uint8_t buffer[64];
        const int64_t got = st.Read(buffer, sizeof buffer);
        std::memcpy(t->GetNodeData(n), buffer, size_t(std::min<int64_t>(got, 4)));
    };
    for (int round = 0; round < 1500; ++round) {
        std::vector<uint8_t> bytes = good;
        const int mutations = 1 + int(random() % 6);
        for (int m = 0; m < mutations; ++m) {
            const size_t at = random() % bytes.size();
            switch (random() % 4) {
                case 0:
                    bytes[at] = uint8_t(random());
                    break;
                case 1:
                    bytes.resize(at);
                    break;
                case 2:
                    bytes.insert(bytes.begin() + long(at), uint8_t(random()));
                    break;
                default:
                    bytes[at] ^= uint8_t(1u << (random() % 8));
                    break;
            }
            if (bytes.empty()) break;
        }
        if (round % 5 == 0) {  // pure noise behind a good header
            bytes.assign(good.begin(), good.begin() + 16);
            for (int i = 0; i < 64; ++i) bytes.push_back(uint8_t(random()));
        }
        try {
            Load(tree, bytes);
        } catch (const EVirtualTreeError&) {
        }
        ASSERT_EQ(CheckStructure(tree), "") << "round " << round;
    }
}

TEST(TreeStreams, MovingWithinATree) {
    TestTree tree;
    Shape s = BuildShape(tree);
    EXPECT_THROW(tree.MoveTo(s.A, s.A2a, amAddChildLast, false), EVirtualTreeError);
    EXPECT_EQ(CheckStructure(tree), "");
    std::vector<PVirtualNode> moved;
    tree.OnNodeMoved = [&moved](TBaseVirtualTree*, PVirtualNode n) { moved.push_back(n); };
    tree.MoveTo(s.C1, nullptr, amAddChildLast, false);
    EXPECT_EQ(tree.GetFirstChildNoInit(nullptr), s.C1) << "nil: the first top-level node";
    EXPECT_EQ(moved, std::vector<PVirtualNode>{s.C1});
    EXPECT_FALSE(HasState(s.C, vsHasChildren));

    // Children only, in order, also where each would go first.
    tree.MoveTo(s.A, s.C, amAddChildFirst, true);
    EXPECT_EQ(s.C->FirstChild, s.A1);
    EXPECT_EQ(s.C->LastChild, s.A2);
    EXPECT_FALSE(HasState(s.A, vsHasChildren));
    EXPECT_EQ(CheckStructure(tree), "");
}

TEST(TreeStreams, MovingIntoAnotherTree) {
    TestTree source, target;
    source.SetNodeDataSize(4);
    target.SetNodeDataSize(4);
    Shape s = BuildShape(source);
    for (PVirtualNode n : AllNodes(source)) {
        source.InitNode(n);
        *source.GetNodeData<uint32_t>(n) = n->Index + 10 * source.GetNodeLevel(n);
    }
    source.OnSaveNode = [](TBaseVirtualTree* t, PVirtualNode n, TStream& st) {
        st.WriteBuffer(t->GetNodeData(n), 4);
    };
    target.OnLoadNode = [](TBaseVirtualTree* t, PVirtualNode n, TStream& st) {
        st.ReadBuffer(t->GetNodeData(n), 4);
    };
    PVirtualNode anchor = target.AddChild(nullptr);
    int parentsNamed = 0;
    PVirtualNode named = nullptr;
    source.OnStructureChange = [&](TBaseVirtualTree*, PVirtualNode n, TChangeReason r) {
        if (r == crNodeMoved) {
            ++parentsNamed;
            named = n;
        }
    };
    source.MoveTo(s.A, anchor, amInsertAfter, true);  // A1, A2 (with A2a)
    EXPECT_EQ(target.RootNodeCount(), 3u);
    PVirtualNode first = anchor->NextSibling;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(*target.GetNodeData<uint32_t>(first), 10u) << "A1 first";
    EXPECT_EQ(*target.GetNodeData<uint32_t>(first->NextSibling), 11u);
    EXPECT_EQ(first->NextSibling->ChildCount, 1u);
    EXPECT_EQ(s.A->ChildCount, 0u);
    EXPECT_FALSE(HasState(s.A, vsHasChildren));
    EXPECT_EQ(parentsNamed, 1);
    EXPECT_EQ(named, s.A) << "the node whose children went";
    source.MoveTo(s.C, nullptr, amAddChildLast, false);  // within: C moves, stays
    target.OnNodeMoved = nullptr;
    source.MoveTo(s.C, anchor, amAddChildLast, false);
    EXPECT_EQ(named, nullptr) << "C is gone: its former parent, the root, is named";
    EXPECT_EQ(anchor->ChildCount, 1u);
    EXPECT_EQ(CheckStructure(source), "");
    EXPECT_EQ(CheckStructure(target), "");
}
