// Tree streams: the byte format, round trips, bad and hostile streams, moving nodes.
#include "TreeTestSupport.h"
#include "VirtualTreesStreams.h"

#include "TempDir.h"

#include <cstring>
#include <random>
#include <sstream>

namespace {

std::vector<uint8_t> Bytes(TMemoryStream& s) {
    return s.Bytes();
}

void PutU32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}
void PutU16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
std::vector<uint8_t> Magic(uint16_t version) {
    std::vector<uint8_t> b;
    for (uint16_t u :
         {uint16_t(0x2045), uint16_t('V'), uint16_t('T'), version, uint16_t(' '), uint16_t(0x2046)})
        PutU16(b, u);
    return b;
}
// A version 2 leaf record: anchor, base chunk.
void PutLeaf(std::vector<uint8_t>& b, uint16_t states, uint32_t height = 18) {
    PutU32(b, 1);
    PutU32(b, 8 + 17);
    PutU32(b, 2);
    PutU32(b, 17);
    PutU32(b, 0);
    PutU32(b, height);
    PutU16(b, states);
    b.insert(b.end(), {50, 0, 0, 0, 0, 0, 0});
}

void Load(TBaseVirtualTree& tree, const std::vector<uint8_t>& bytes) {
    TOLEMemoryStream s(bytes);
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

// The shape of a tree as text: per node its level, height, states, check marks and data.
std::string Dump(TBaseVirtualTree& tree) {
    std::ostringstream out;
    for (PVirtualNode n : AllNodes(tree)) {
        out << tree.GetNodeLevel(n) << ':' << n->NodeHeight << ':' << std::hex << n->States
            << std::dec << ':' << int(n->Align) << ':' << int(n->CheckState) << ':'
            << int(n->CheckType) << ':' << n->ChildCount;
        if (tree.NodeDataSize() >= int(sizeof(int))) out << ':' << *tree.GetNodeData<int>(n);
        out << ' ';
    }
    return out.str();
}

// Every selected flag is in the selection and the other way round.
std::string CheckSelection(TBaseVirtualTree& tree) {
    uint32_t flagged = 0;
    for (PVirtualNode n : AllNodes(tree))
        if (n->States & vsSelected) ++flagged;
    if (flagged != tree.SelectionCount())
        return "selected flags " + std::to_string(flagged) + ", selection " +
               std::to_string(tree.SelectionCount());
    return {};
}

// A tree whose nodes carry an int the events save and load.
void WithIntData(TBaseVirtualTree& tree) {
    tree.SetNodeDataSize(sizeof(int));
    tree.OnSaveNode = [](TBaseVirtualTree* t, PVirtualNode n, TStream& s) {
        s.WriteBuffer(t->GetNodeData<int>(n), sizeof(int));
    };
    tree.OnLoadNode = [](TBaseVirtualTree* t, PVirtualNode n, TStream& s) {
        s.ReadBuffer(t->GetNodeData<int>(n), sizeof(int));
    };
}

}  // namespace

// --- The format, byte by byte ------------------------------------------------------------------

TEST(VirtualTreeStreams, WritesTheDocumentedBytes) {
    TestTree tree;
    TMemoryStream empty;
    tree.SaveToStream(empty);
    std::vector<uint8_t> expected = Magic(2);
    PutU32(expected, 0);
    EXPECT_EQ(Bytes(empty), expected);  // 16 bytes
    ASSERT_EQ(empty.Size(), 16);
    TestTree back;
    back.AddChild(nullptr);
    Load(back, Bytes(empty));
    EXPECT_EQ(back.RootNodeCount(), 0u);

    // One node without user data: no type-4 chunk; it is initialised on the way (toInitOnSave).
    PVirtualNode node = tree.AddChild(nullptr);
    TMemoryStream one;
    tree.SaveToStream(one);
    expected = Magic(2);
    PutU32(expected, 1);
    PutLeaf(expected, vsInitialized | vsVisible);
    EXPECT_EQ(Bytes(one), expected);
    EXPECT_EQ(one.Size(), 49);

    // With four bytes of user data: a type-4 chunk of size 4 follows the base chunk.
    tree.SetNodeDataSize(sizeof(int));
    node = tree.AddChild(nullptr);
    tree.SetCheckType(node, ctCheckBox);
    *tree.GetNodeData<int>(node) = 0x04030201;
    tree.OnSaveNode = [](TBaseVirtualTree* t, PVirtualNode n, TStream& s) {
        s.WriteBuffer(t->GetNodeData<int>(n), 4);
    };
    TMemoryStream data;
    tree.SaveToStream(data, node);
    ASSERT_EQ(data.Size(), 61);
    const std::vector<uint8_t>& b = data.Bytes();
    EXPECT_EQ(b[12], 1);               // count 1
    EXPECT_EQ(b[20], 8 + 17 + 8 + 4);  // anchor size
    EXPECT_EQ(b[44], ctCheckBox);
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 49, b.end()),
              (std::vector<uint8_t>{4, 0, 0, 0, 4, 0, 0, 0, 1, 2, 3, 4}));
}

TEST(VirtualTreeStreams, RoundTripKeepsShapeStatesAndData) {
    TestTree tree;
    WithIntData(tree);
    tree.OnInitNode = [&](TBaseVirtualTree* t, PVirtualNode, PVirtualNode n,
                          TVirtualNodeInitStates&) {
        *t->GetNodeData<int>(n) = int(t->GetNodeLevel(n) * 100 + n->Index);
    };
    Shape s = BuildShape(tree);
    tree.SetCheckType(s.A1, ctTriStateCheckBox);
    tree.SetCheckState(s.A1, csMixedNormal);
    tree.SetExpanded(s.A2, true);
    s.A2a->NodeHeight = 18;
    tree.DeleteNode(s.C1);
    PVirtualNode hidden = tree.AddChild(s.C);
    tree.InitNode(hidden);
    tree.ValidateNode(nullptr, true);
    ASSERT_EQ(CheckStructure(tree), "");
    TMemoryStream stream;
    tree.SaveToStream(stream);

    TestTree copy;
    WithIntData(copy);
    int inits = 0;
    copy.OnInitNode = [&](TBaseVirtualTree*, PVirtualNode, PVirtualNode, TVirtualNodeInitStates&) {
        ++inits;
    };
    stream.SetPosition(0);
    copy.LoadFromStream(stream);
    EXPECT_EQ(Dump(copy), Dump(tree));
    EXPECT_EQ(copy.VisibleCount(), tree.VisibleCount());
    EXPECT_EQ(copy.RootNode()->TotalHeight, tree.RootNode()->TotalHeight);
    EXPECT_EQ(CheckStructure(copy), "");
    EXPECT_EQ(inits, 0);  // loaded nodes come initialised

    // The same bytes again; AddFromStream appends below a node.
    TMemoryStream again;
    copy.SaveToStream(again);
    EXPECT_EQ(again.Bytes(), stream.Bytes());
    again.SetPosition(0);
    PVirtualNode first = copy.GetFirst();
    copy.AddFromStream(again, first);
    EXPECT_EQ(copy.TotalCount(), 2 * tree.TotalCount());
    EXPECT_EQ(CheckStructure(copy), "");
}

TEST(VirtualTreeStreams, SaveAndLoadFiles) {
    TempDir dir;
    TestTree tree;
    tree.SetRootNodeCount(3);
    tree.SaveToFile(dir.File("tree.dat"));
    TestTree back;
    back.LoadFromFile(dir.File("tree.dat"));
    EXPECT_EQ(back.RootNodeCount(), 3u);
    EXPECT_THROW(back.LoadFromFile(dir.File("missing.dat")), EFOpenError);
    EXPECT_EQ(back.RootNodeCount(), 3u);
}

// --- Bad streams ---------------------------------------------------------------------------------

TEST(VirtualTreeStreams, HeaderErrorsLeaveTheTreeAlone) {
    TestTree tree;
    tree.SetRootNodeCount(2);
    std::vector<uint8_t> good = Magic(2);
    PutU32(good, 1);
    PutLeaf(good, vsVisible);

    EXPECT_EQ(ErrorCode(tree, std::vector<uint8_t>(good.begin(), good.begin() + 11)), 2004);
    EXPECT_EQ(ErrorCode(tree, std::vector<uint8_t>(good.begin(), good.begin() + 14)), 2004);
    auto with = [&](int unit, uint16_t value) {
        std::vector<uint8_t> b = good;
        b[2 * unit] = uint8_t(value);
        b[2 * unit + 1] = uint8_t(value >> 8);
        return b;
    };
    EXPECT_EQ(ErrorCode(tree, with(1, 'X')), 2002);
    EXPECT_EQ(ErrorCode(tree, with(5, 0x2047)), 2002);
    EXPECT_EQ(ErrorCode(tree, with(3, 3)), 2003);
    EXPECT_EQ(ErrorCode(tree, with(3, 0)), 2003);
    EXPECT_EQ(tree.RootNodeCount(), 2u);          // none of these cleared the tree
    EXPECT_EQ(ErrorCode(tree, with(4, '#')), 0);  // unit 4 is not compared
    EXPECT_EQ(tree.RootNodeCount(), 1u);
}

TEST(VirtualTreeStreams, NodeErrorsKeepWholeRecordsOnly) {
    TestTree tree;
    std::vector<uint8_t> b = Magic(2);
    PutU32(b, 3);
    PutLeaf(b, vsVisible);
    PutLeaf(b, vsVisible);
    std::vector<uint8_t> broken = b;
    PutU32(broken, 7);  // not an anchor
    PutU32(broken, 0);
    EXPECT_EQ(ErrorCode(tree, broken), 2005);
    EXPECT_EQ(tree.RootNodeCount(), 2u);  // no roll-back of whole records
    EXPECT_EQ(CheckStructure(tree), "");

    // A child record that claims more than its parent's chunk holds.
    std::vector<uint8_t> nested = Magic(2);
    PutU32(nested, 1);
    PutU32(nested, 1);
    PutU32(nested, 8 + 17 + 33);
    PutU32(nested, 2);
    PutU32(nested, 17 + 33);
    PutU32(nested, 1);
    PutU32(nested, 18);
    PutU16(nested, vsVisible | vsExpanded | vsInitialized);
    nested.insert(nested.end(), {50, 0, 0, 0, 0, 0, 0});
    PutLeaf(nested, vsVisible);
    ASSERT_EQ(ErrorCode(tree, nested), 0);
    EXPECT_EQ(tree.TotalCount(), 2u);
    EXPECT_EQ(tree.VisibleCount(), 2u);
    nested[16 + 8 + 8 + 17 + 4] = 200;  // the child's anchor size
    EXPECT_EQ(ErrorCode(tree, nested), 2004);
    EXPECT_EQ(tree.TotalCount(), 0u);  // the half-read record went whole
    EXPECT_EQ(CheckStructure(tree), "");

    // Another chunk type inside a node is skipped; a short base chunk is not enough data.
    std::vector<uint8_t> skip = Magic(2);
    PutU32(skip, 1);
    PutU32(skip, 1);
    PutU32(skip, 8 + 3 + 8 + 17);
    PutU32(skip, 9);
    PutU32(skip, 3);
    skip.insert(skip.end(), {1, 2, 3});
    PutU32(skip, 2);
    PutU32(skip, 17);
    PutU32(skip, 0);
    PutU32(skip, 40);
    PutU16(skip, vsVisible);
    skip.insert(skip.end(), {50, 0, 0, 0, 0, 0, 0});
    ASSERT_EQ(ErrorCode(tree, skip), 0);
    ASSERT_EQ(tree.RootNodeCount(), 1u);
    EXPECT_EQ(tree.GetFirstNoInit()->NodeHeight, 40);
    skip[16 + 8 + 11 + 4] = 16;  // the base chunk's size
    EXPECT_EQ(ErrorCode(tree, skip), 2004);
}

TEST(VirtualTreeStreams, ReadValuesAreSanitised) {
    TestTree tree;
    std::vector<uint8_t> b = Magic(2);
    PutU32(b, 1);
    PutU32(b, 1);
    PutU32(b, 25);
    PutU32(b, 2);
    PutU32(b, 17);
    PutU32(b, 0);
    PutU32(b, 0x12345678);
    PutU16(b, 0xFFFF);
    b.insert(b.end(), {7, 99, 77, 0, 0, 0, 0});
    ASSERT_EQ(ErrorCode(tree, b), 0);
    PVirtualNode n = tree.GetFirstNoInit();
    EXPECT_EQ(n->NodeHeight, 65535);
    EXPECT_EQ(n->States, VTPersistentStatesMask & ~vsSelected & 0xFFFF);
    EXPECT_EQ(n->CheckState, csUncheckedNormal);
    EXPECT_EQ(n->CheckType, ctNone);
    EXPECT_EQ(tree.SelectionCount(), 0u);
    EXPECT_EQ(CheckStructure(tree), "");
}

TEST(VirtualTreeStreams, VersionOneRunsToTheEnd) {
    TestTree tree;
    TVTSelectionOptions options = tree.TreeOptions().SelectionOptions();
    tree.TreeOptions().SetSelectionOptions(options + toMultiSelect);
    std::vector<uint8_t> b = Magic(1);
    for (uint8_t oldStates : {uint8_t(0x81), uint8_t(0x01), uint8_t(0x00)}) {
        PutU32(b, 1);
        PutU32(b, 8 + 12);
        PutU32(b, 2);
        PutU32(b, 12);
        PutU32(b, 0);
        PutU32(b, 20);
        b.insert(b.end(), {oldStates, 50, 0, 0});
    }
    ASSERT_EQ(ErrorCode(tree, b), 0);
    ASSERT_EQ(tree.RootNodeCount(), 3u);
    PVirtualNode first = tree.GetFirstNoInit();
    EXPECT_TRUE(tree.Selected(first));
    EXPECT_EQ(first->States & (vsVisible | vsInitialized), vsVisible | vsInitialized);
    EXPECT_EQ(tree.SelectionCount(), 1u);
    EXPECT_EQ(tree.VisibleCount(), 3u);  // every old node is visible
    EXPECT_EQ(CheckStructure(tree), "");
}

TEST(VirtualTreeStreams, SelectionOnLoadFollowsMultiSelect) {
    TestTree source;
    source.TreeOptions().SetSelectionOptions(source.TreeOptions().SelectionOptions() +
                                             toMultiSelect);
    source.SetRootNodeCount(4);
    source.AddToSelection({source.GetFirst(), source.GetLast()});
    TMemoryStream stream;
    source.SaveToStream(stream);

    TestTree single;
    stream.SetPosition(0);
    single.LoadFromStream(stream);
    EXPECT_EQ(single.SelectionCount(), 0u);
    EXPECT_EQ(CheckSelection(single), "");

    TestTree multi;
    multi.TreeOptions().SetSelectionOptions(multi.TreeOptions().SelectionOptions() + toMultiSelect);
    stream.SetPosition(0);
    multi.LoadFromStream(stream);
    EXPECT_EQ(multi.SelectionCount(), 2u);
    EXPECT_EQ(CheckSelection(multi), "");
}

TEST(VirtualTreeStreams, UserDataSeesOnlyItsChunk) {
    TestTree tree;
    tree.SetNodeDataSize(8);
    std::vector<uint8_t> b = Magic(2);
    PutU32(b, 1);
    PutU32(b, 1);
    PutU32(b, 8 + 17 + 8 + 6);
    PutU32(b, 2);
    PutU32(b, 17);
    PutU32(b, 0);
    PutU32(b, 18);
    PutU16(b, vsVisible);  // not initialised: loading data makes it so
    b.insert(b.end(), {50, 0, 0, 0, 0, 0, 0});
    PutU32(b, 4);
    PutU32(b, 6);
    b.insert(b.end(), {'a', 'b', 'c', 'd', 'e', 'f'});
    std::string seen;
    bool writeRefused = false;
    tree.OnLoadNode = [&](TBaseVirtualTree*, PVirtualNode, TStream& s) {
        char buf[64];
        EXPECT_EQ(s.Size(), 6);
        seen.assign(buf, size_t(s.Read(buf, sizeof buf)));
        try {
            s.WriteBuffer("x", 1);
        } catch (const EStreamError& e) {
            writeRefused = std::string(e.what()) == "Can't write to a read-only resource stream";
        }
        s.SetPosition(2);  // leaves the chunk half read: the reader goes on at its end
    };
    int frees = 0;
    tree.OnFreeNode = [&](TBaseVirtualTree*, PVirtualNode) { ++frees; };
    ASSERT_EQ(ErrorCode(tree, b), 0);
    EXPECT_EQ(seen, "abcdef");
    EXPECT_TRUE(writeRefused);
    PVirtualNode n = tree.GetFirstNoInit();
    EXPECT_TRUE(n->States & vsInitialized);
    tree.Clear();
    EXPECT_EQ(frees, 1);

    // A handler's short read fails the record, which is removed again.
    tree.OnLoadNode = [](TBaseVirtualTree*, PVirtualNode, TStream& s) {
        char buf[8];
        s.ReadBuffer(buf, 8);
    };
    EXPECT_THROW(Load(tree, b), EReadError);
    EXPECT_EQ(tree.RootNodeCount(), 0u);
    EXPECT_EQ(CheckStructure(tree), "");
}

TEST(VirtualTreeStreams, ReadOnlyMemoryStream) {
    const uint8_t bytes[] = {1, 2, 3, 4, 5};
    TOLEMemoryStream s(bytes, sizeof bytes);
    uint8_t buf[8] = {};
    EXPECT_EQ(s.Read(buf, 3), 3);
    EXPECT_EQ(buf[2], 3);
    EXPECT_EQ(s.Seek(-1, soFromEnd), 4);
    EXPECT_EQ(s.Read(buf, 8), 1);
    EXPECT_EQ(s.Read(buf, 8), 0);
    EXPECT_EQ(s.Seek(-10, soFromCurrent), -1);
    EXPECT_EQ(s.Position(), 5);
    EXPECT_THROW(s.Write(buf, 1), EStreamError);
    EXPECT_THROW(s.SetSize(0), EStreamError);
    EXPECT_EQ(s.Size(), 5);
}

// --- Hostile streams -----------------------------------------------------------------------------

namespace {

// A tree whose nodes own heap strings: LeakSanitizer reports any that the tree forgets.
void WithOwnedStrings(TBaseVirtualTree& tree) {
    tree.SetNodeDataSize(sizeof(std::string*));
    tree.OnSaveNode = [](TBaseVirtualTree* t, PVirtualNode n, TStream& s) {
        std::string* text = *t->GetNodeData<std::string*>(n);
        uint32_t size = text ? uint32_t(text->size()) : 0;
        s.WriteBuffer(&size, 4);
        if (size) s.WriteBuffer(text->data(), size);
    };
    tree.OnLoadNode = [](TBaseVirtualTree* t, PVirtualNode n, TStream& s) {
        uint32_t size = 0;
        s.ReadBuffer(&size, 4);
        if (size > s.Size() - s.Position()) throw EReadError("Stream read error");
        std::string text(size, '\0');
        s.ReadBuffer(text.data(), size);
        std::string*& slot = *t->GetNodeData<std::string*>(n);
        delete slot;
        slot = new std::string(std::move(text));
    };
    tree.OnFreeNode = [](TBaseVirtualTree* t, PVirtualNode n) {
        std::string*& slot = *t->GetNodeData<std::string*>(n);
        delete slot;
        slot = nullptr;
    };
}

std::vector<uint8_t> RichStream() {
    TestTree tree;
    WithOwnedStrings(tree);
    tree.TreeOptions().SetSelectionOptions(tree.TreeOptions().SelectionOptions() + toMultiSelect);
    tree.OnInitNode = [](TBaseVirtualTree* t, PVirtualNode, PVirtualNode n,
                         TVirtualNodeInitStates&) {
        *t->GetNodeData<std::string*>(n) = new std::string(std::string(n->Index + 1, 'x'));
    };
    Shape s = BuildShape(tree);
    tree.ValidateNode(nullptr, true);
    tree.SetCheckType(s.C1, ctCheckBox);
    tree.AddToSelection({s.A1, s.C});
    TMemoryStream stream;
    tree.SaveToStream(stream);
    std::vector<uint8_t> b = stream.Bytes();
    // An unknown chunk at the end of the last record.
    b.insert(b.end(), {9, 0, 0, 0, 2, 0, 0, 0, 0xAB, 0xCD});
    return b;
}

// Loads, then checks: a clean error or success, every invariant, nothing half-made.
void LoadHostile(TBaseVirtualTree& tree, const std::vector<uint8_t>& bytes, bool add) {
    TOLEMemoryStream s(bytes);
    try {
        if (add)
            tree.AddFromStream(s, nullptr);
        else
            tree.LoadFromStream(s);
    } catch (const EVirtualTreeError& e) {
        EXPECT_GE(e.HelpContext, 2002);
        EXPECT_LE(e.HelpContext, 2006);
    } catch (const EReadError&) {
        // the handler's own short read
    }
    ASSERT_EQ(CheckStructure(tree), "");
    ASSERT_EQ(CheckSelection(tree), "");
}

}  // namespace

TEST(VirtualTreeStreams, TruncatedAndMutatedStreamsNeverBreakTheTree) {
    const std::vector<uint8_t> good = RichStream();
    TestTree tree;
    WithOwnedStrings(tree);
    tree.TreeOptions().SetSelectionOptions(tree.TreeOptions().SelectionOptions() + toMultiSelect);
    LoadHostile(tree, good, false);
    EXPECT_EQ(tree.TotalCount(), 6u);
    EXPECT_EQ(tree.SelectionCount(), 2u);

    for (size_t length = 0; length < good.size(); ++length)
        LoadHostile(tree, std::vector<uint8_t>(good.begin(), good.begin() + long(length)), false);

    std::mt19937 random(105);
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> bytes = good;
        int flips = 1 + round % 4;
        for (int i = 0; i < flips; ++i) {
            size_t at = std::uniform_int_distribution<size_t>(0, bytes.size() - 1)(random);
            if (round % 5 == 0)
                bytes[at] = uint8_t(random());
            else
                bytes[at] ^= uint8_t(1u << (random() % 8));
        }
        LoadHostile(tree, bytes, round % 7 == 0);
        if (tree.TotalCount() > 5000) tree.Clear();
    }
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> bytes = Magic(uint16_t(1 + round % 2));
        size_t size = std::uniform_int_distribution<size_t>(0, 200)(random);
        for (size_t i = 0; i < size; ++i)
            bytes.push_back(uint8_t(random() % 4 == 0 ? random() : random() % 3));
        LoadHostile(tree, bytes, false);
    }
}

TEST(VirtualTreeStreams, DeepNestingIsBounded) {
    auto chain = [](int depth) {
        std::vector<uint8_t> b = Magic(2);
        PutU32(b, 1);
        for (int level = 0; level < depth; ++level) {
            uint32_t record = uint32_t(33 * (depth - level));
            PutU32(b, 1);
            PutU32(b, record - 8);
            PutU32(b, 2);
            PutU32(b, record - 16);
            PutU32(b, level + 1 < depth ? 1 : 0);
            PutU32(b, 18);
            PutU16(b, vsVisible | vsInitialized);
            b.insert(b.end(), {50, 0, 0, 0, 0, 0, 0});
        }
        return b;
    };
    TestTree tree;
    EXPECT_EQ(ErrorCode(tree, chain(VTMaxStreamDepth)), 0);
    EXPECT_EQ(tree.TotalCount(), uint32_t(VTMaxStreamDepth));
    EXPECT_EQ(ErrorCode(tree, chain(VTMaxStreamDepth + 1)), 2006);
    EXPECT_EQ(tree.TotalCount(), 0u);
    EXPECT_EQ(CheckStructure(tree), "");
}

// --- Moving --------------------------------------------------------------------------------------

TEST(VirtualTreeStreams, MoveWithinTheTree) {
    TestTree tree;
    Shape s = BuildShape(tree);
    int moved = 0, changes = 0;
    tree.OnNodeMoved = [&](TBaseVirtualTree*, PVirtualNode) { ++moved; };
    tree.OnStructureChange = [&](TBaseVirtualTree*, PVirtualNode, TChangeReason) { ++changes; };
    EXPECT_THROW(
        try { tree.MoveTo(s.A, s.A2a, amAddChildLast, false); } catch (const EVirtualTreeError& e) {
            EXPECT_EQ(e.HelpContext, 2001);
            throw;
        },
        EVirtualTreeError);
    EXPECT_EQ(CheckStructure(tree), "");

    tree.MoveTo(s.C1, nullptr, amAddChildLast, false);
    EXPECT_EQ(tree.GetFirstNoInit(), s.C1);
    EXPECT_EQ(CheckStructure(tree), "");

    // Children in order, whatever the mode.
    moved = 0;
    tree.MoveTo(s.A, s.C, amAddChildFirst, true);
    EXPECT_EQ(s.C->FirstChild, s.A1);
    EXPECT_EQ(s.A1->NextSibling, s.A2);
    EXPECT_FALSE(s.A->States & vsHasChildren);
    EXPECT_EQ(moved, 2);
    EXPECT_EQ(CheckStructure(tree), "");
    tree.MoveTo(s.C, s.A, amInsertAfter, true);
    EXPECT_EQ(s.A->NextSibling, s.A1);
    EXPECT_EQ(s.A1->NextSibling, s.A2);
    EXPECT_EQ(s.A2->NextSibling, s.C);
    EXPECT_EQ(CheckStructure(tree), "");

    // A refused move changes and reports nothing.
    tree.OnNodeMoving = [](TBaseVirtualTree*, PVirtualNode, PVirtualNode, bool& allowed) {
        allowed = false;
    };
    moved = changes = 0;
    tree.MoveTo(s.A, s.C, amAddChildLast, false);
    EXPECT_EQ(s.A->Parent, tree.RootNode());
    EXPECT_EQ(moved, 0);
    EXPECT_EQ(changes, 0);
}

TEST(VirtualTreeStreams, MoveIntoAnotherTreeCarriesData) {
    TestTree source, target;
    WithIntData(source);
    WithIntData(target);
    Shape s = BuildShape(source);
    source.ValidateNode(nullptr, true);
    int value = 1;
    for (PVirtualNode n : AllNodes(source)) *source.GetNodeData<int>(n) = value++;
    PVirtualNode t = target.AddChild(nullptr);
    target.InitNode(t);
    *target.GetNodeData<int>(t) = 99;

    std::vector<std::string> reports;
    source.OnStructureChange = [&](TBaseVirtualTree*, PVirtualNode node, TChangeReason reason) {
        if (reason == crNodeMoved) reports.push_back(node == s.A ? "A" : node ? "?" : "nil");
    };
    int moved = 0;
    target.OnNodeMoved = [&](TBaseVirtualTree*, PVirtualNode) { ++moved; };
    source.MoveTo(s.A2, t, amInsertBefore, false);
    EXPECT_EQ(source.TotalCount(), 4u);
    ASSERT_EQ(target.RootNodeCount(), 2u);
    PVirtualNode a2 = target.GetFirstNoInit();
    EXPECT_EQ(*target.GetNodeData<int>(a2), 3);
    EXPECT_EQ(*target.GetNodeData<int>(a2->FirstChild), 4);
    EXPECT_EQ(moved, 1);
    EXPECT_EQ(reports, std::vector<std::string>{"A"});  // the former parent
    EXPECT_EQ(CheckStructure(source), "");
    EXPECT_EQ(CheckStructure(target), "");

    // Children only, kept in order at the target's top level.
    source.MoveTo(s.A, target.RootNode(), amInsertAfter, true);
    ASSERT_EQ(target.RootNodeCount(), 3u);
    EXPECT_EQ(*target.GetNodeData<int>(target.GetLastChildNoInit(nullptr)), 2);
    EXPECT_EQ(s.A->ChildCount, 0u);
    EXPECT_FALSE(s.A->States & vsHasChildren);
    EXPECT_EQ(CheckStructure(source), "");
    EXPECT_EQ(CheckStructure(target), "");
}
