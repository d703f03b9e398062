// Tree streams: the writer and the reader of the tree's node format. Every read is bounded by
// the chunk that holds it, nesting is depth-limited, and what is read is checked before it
// reaches a node, so no stream, however damaged, can crash the reader or break the tree.
#include "VirtualTrees.h"

#include "platform/Codec.h"
#include "platform/Exceptions.h"
#include "platform/Streams.h"

#include <algorithm>
#include <cstring>

// --- A read-only stream over bytes -----------------------------------------------------------

TReadOnlyMemoryStream::TReadOnlyMemoryStream(const uint8_t* data, int64_t size)
    : data_(data), size_(std::max<int64_t>(0, size)) {}

int64_t TReadOnlyMemoryStream::Read(void* buffer, int64_t count) {
    const int64_t n = std::clamp<int64_t>(size_ - pos_, 0, std::max<int64_t>(0, count));
    if (n > 0) std::memcpy(buffer, data_ + pos_, size_t(n));
    pos_ += n;
    return n;
}

int64_t TReadOnlyMemoryStream::Write(const void*, int64_t) {
    throw EStreamError("Can't write to a read-only resource stream");
}

int64_t TReadOnlyMemoryStream::Seek(int64_t offset, int origin) {
    int64_t base = origin == soFromCurrent ? pos_ : origin == soFromEnd ? size_ : 0;
    pos_ = std::clamp<int64_t>(base + offset, 0, size_);
    return pos_;
}

void TReadOnlyMemoryStream::SetSize(int64_t) {
    throw EStreamError("Can't write to a read-only resource stream");
}

// --- Format ----------------------------------------------------------------------------------

namespace {

constexpr char16_t kMagic[6] = {0x2045, u'V', u'T', 2, u' ', 0x2046};
constexpr uint16_t kPersistentStates = 0x01E9;  // what a stream may set in a node's States
constexpr uint16_t kWrittenStates = 0xFDE9;
constexpr int kMaxDepth = 512;

void WriteU32(TStream& s, uint32_t v) {
    const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    s.WriteBuffer(b, 4);
}

uint32_t ToU32(const uint8_t* b) {
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

[[noreturn]] void NotEnoughData() {
    ShowError("Unable to load tree structure, not enough data available.", 2004);
}

// Reads exactly count bytes that must lie before limit.
void ReadBounded(TStream& s, void* buffer, int64_t count, int64_t limit) {
    if (s.Position() + count > limit || s.Read(buffer, count) != count) NotEnoughData();
}

uint32_t ReadU32(TStream& s, int64_t limit) {
    uint8_t b[4];
    ReadBounded(s, b, 4, limit);
    return ToU32(b);
}

// Writes the size of the chunk that starts at start (its header included) into its header.
void AdjustChunkSize(TStream& s, int64_t start) {
    const int64_t end = s.Position();
    s.SetPosition(start + 4);
    WriteU32(s, uint32_t(end - start - 8));
    s.SetPosition(end);
}

}  // namespace

// --- Writing ---------------------------------------------------------------------------------

void TBaseVirtualTree::SaveToStream(TStream& stream, PVirtualNode node) {
    uint8_t magic[12];
    for (int i = 0; i < 6; ++i) {
        magic[2 * i] = uint8_t(kMagic[i]);
        magic[2 * i + 1] = uint8_t(kMagic[i] >> 8);
    }
    stream.WriteBuffer(magic, 12);
    if (node && node != Root()) {
        WriteU32(stream, 1);
        WriteNode(stream, node);
    } else {
        WriteU32(stream, Root()->ChildCount);
        for (PVirtualNode run = Root()->FirstChild; run; run = run->NextSibling)
            WriteNode(stream, run);
    }
}

void TBaseVirtualTree::WriteNode(TStream& stream, PVirtualNode node) {
    if (TreeOptions().MiscOptions().Contains(toInitOnSave)) {
        if (!HasState(node, vsInitialized)) InitNode(node);
        if (HasState(node, vsHasChildren) && node->ChildCount == 0) InitChildren(node);
    }
    const int64_t start = stream.Position();
    WriteU32(stream, 1);
    WriteU32(stream, 0);
    WriteChunks(stream, node);
    AdjustChunkSize(stream, start);
}

void TBaseVirtualTree::WriteChunks(TStream& stream, PVirtualNode node) {
    const bool withChildren = HasState(node, vsInitialized) && node->FirstChild;
    const int64_t base = stream.Position();
    WriteU32(stream, 2);
    WriteU32(stream, 0);
    WriteU32(stream, withChildren ? node->ChildCount : 0);
    WriteU32(stream, node->NodeHeight);
    const uint16_t states = uint16_t(node->States & kWrittenStates);
    const uint8_t body[5] = {uint8_t(states), uint8_t(states >> 8), node->Align, node->CheckState,
                             node->CheckType};
    stream.WriteBuffer(body, 5);
    WriteU32(stream, 0);
    if (withChildren)
        for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling)
            WriteNode(stream, child);
    AdjustChunkSize(stream, base);

    const int64_t user = stream.Position();
    WriteU32(stream, 4);
    WriteU32(stream, 0);
    DoSaveUserData(node, stream);
    if (stream.Position() == user + 8) {
        // Nothing written: no chunk.
        stream.SetPosition(user);
        stream.SetSize(user);
    } else {
        AdjustChunkSize(stream, user);
    }
}

// --- Reading ---------------------------------------------------------------------------------

void TBaseVirtualTree::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, fmOpenRead);
    LoadFromStream(file);
}

void TBaseVirtualTree::LoadFromStream(TStream& stream) {
    const int64_t limit = stream.Size();
    // The header first: a stream that is not ours leaves the tree as it was.
    uint8_t magic[12];
    ReadBounded(stream, magic, 12, limit);
    auto unit = [&magic](int i) { return char16_t(magic[2 * i] | magic[2 * i + 1] << 8); };
    if (unit(0) != kMagic[0] || unit(1) != kMagic[1] || unit(2) != kMagic[2] ||
        unit(5) != kMagic[5])
        ShowError("Unable to load tree structure, the format is wrong.", 2002);
    const int version = unit(3);
    if (version != 1 && version != 2)
        ShowError("Unable to load tree structure, the version is unknown.", 2003);
    uint32_t count = version == 2 ? ReadU32(stream, limit) : 0x7FFFFFFFu;

    Clear();
    BeginUpdate();
    std::vector<PVirtualNode> selected;
    try {
        while (stream.Position() < limit && count > 0) {
            --count;
            ReadNode(stream, version, Root(), amAddChildLast, limit, 0, selected);
        }
    } catch (...) {
        // Nodes read so far stay (no rollback); their selection is taken over.
        if (TreeOptions().SelectionOptions().Contains(toMultiSelect)) AddToSelection(selected);
        EndUpdate();
        throw;
    }
    if (TreeOptions().SelectionOptions().Contains(toMultiSelect)) AddToSelection(selected);
    DoNodeCopied(nullptr);
    EndUpdate();
}

PVirtualNode TBaseVirtualTree::ReadNode(TStream& stream, int version, PVirtualNode destination,
                                        TVTNodeAttachMode mode, int64_t limit, int depth,
                                        std::vector<PVirtualNode>& selected) {
    if (depth > kMaxDepth)
        ShowError("Stream data corrupt. A node's anchor chunk is missing.", 2005);
    const uint32_t type = ReadU32(stream, limit);
    const uint32_t size = ReadU32(stream, limit);
    if (type != 1) ShowError("Stream data corrupt. A node's anchor chunk is missing.", 2005);
    const int64_t end = stream.Position() + int64_t(size);
    if (end > limit) NotEnoughData();

    PVirtualNode node = MakeNewNode();
    InternalConnectNode(node, destination, this, mode);
    bool baseRead = false;
    while (stream.Position() < end) {
        const uint32_t chunkType = ReadU32(stream, end);
        const uint32_t chunkSize = ReadU32(stream, end);
        const int64_t chunkEnd = stream.Position() + int64_t(chunkSize);
        if (chunkEnd > end) NotEnoughData();
        if (chunkType == 2) {
            if (baseRead)
                ShowError("Stream data corrupt. Unexpected data after node's end position.", 2006);
            baseRead = true;
            ReadBaseChunk(stream, version, node, chunkEnd, depth, selected);
        } else {
            ReadChunk(stream, version, node, chunkType, chunkEnd);
        }
        stream.SetPosition(chunkEnd);
    }
    if (stream.Position() != end)
        ShowError("Stream data corrupt. Unexpected data after node's end position.", 2006);
    return node;
}

void TBaseVirtualTree::ReadBaseChunk(TStream& stream, int version, PVirtualNode node,
                                     int64_t chunkEnd, int depth,
                                     std::vector<PVirtualNode>& selected) {
    uint32_t childCount = ReadU32(stream, chunkEnd);
    const uint32_t height = ReadU32(stream, chunkEnd);
    uint16_t states = 0;
    uint8_t rest[3];
    if (version == 1) {
        uint8_t old = 0;
        ReadBounded(stream, &old, 1, chunkEnd);
        // Bit 7 of the old byte marks a selected node; every old node is visible.
        states = uint16_t((old & 0x7F) | vsVisible | ((old & 0x80) ? vsSelected : 0));
    } else {
        uint8_t b[2];
        ReadBounded(stream, b, 2, chunkEnd);
        states = uint16_t(b[0] | b[1] << 8);
    }
    ReadBounded(stream, rest, 3, chunkEnd);
    if (version == 2) ReadU32(stream, chunkEnd);  // reserved

    // The node is linked with no children yet: out, changed, back in keeps every counter right.
    BeginMutation();
    PVirtualNode parent = node->Parent, previous = node->PrevSibling;
    store_.Unlink(node, true);
    node->NodeHeight = uint16_t(std::min<uint32_t>(height, 65535));
    node->TotalHeight = node->NodeHeight;
    const uint16_t kept = uint16_t(states & kPersistentStates);
    node->States = uint16_t((node->States & ~kPersistentStates) | (kept & ~vsSelected));
    node->Align = rest[0];
    uint8_t checkState = rest[1] > csMixedPressed ? uint8_t(csUncheckedNormal) : rest[1];
    node->CheckState = uint8_t(checkState & ~1u);  // a stream holds no pressed look
    node->CheckType = rest[2] > ctButton ? uint8_t(ctNone) : rest[2];
    if (previous)
        InternalConnectNode(node, previous, this, amInsertAfter);
    else
        InternalConnectNode(node, parent, this, amAddChildFirst);
    if (kept & vsSelected) selected.push_back(node);

    while (childCount > 0 && stream.Position() < chunkEnd) {
        --childCount;
        ReadNode(stream, version, node, amAddChildLast, chunkEnd, depth + 1, selected);
    }
}

void TBaseVirtualTree::SkipNode(TStream& stream) {
    const int64_t limit = stream.Size();
    const uint32_t type = ReadU32(stream, limit);
    const uint32_t size = ReadU32(stream, limit);
    if (type != 1) ShowError("Stream data corrupt. A node's anchor chunk is missing.", 2005);
    if (stream.Position() + int64_t(size) > limit) NotEnoughData();
    stream.Seek(int64_t(size), soFromCurrent);
}

bool TBaseVirtualTree::ReadChunk(TStream& stream, int, PVirtualNode node, uint32_t chunkType,
                                 int64_t chunkEnd) {
    if (chunkType != 4) return false;
    const int64_t start = stream.Position();
    if (chunkEnd == start) return true;
    std::vector<uint8_t> bytes(size_t(chunkEnd - start));
    ReadBounded(stream, bytes.data(), int64_t(bytes.size()), chunkEnd);
    // The handler sees its chunk and nothing more.
    TReadOnlyMemoryStream view(bytes.data(), int64_t(bytes.size()));
    DoLoadUserData(node, view);
    return view.Position() > 0;
}

// --- Moving ----------------------------------------------------------------------------------

void TBaseVirtualTree::MoveTo(PVirtualNode source, PVirtualNode target, TVTNodeAttachMode mode,
                              bool childrenOnly) {
    VT_ASSERT(!source || source == Root() || TreeFromNode(source) == this,
              "The source tree must contain the source node.");
    if (mode == amNoWhere || !source || source == Root() || target == source) return;
    TBaseVirtualTree* targetTree = this;
    if (!target) {
        target = Root();
        mode = amAddChildFirst;
    } else {
        targetTree = TreeFromNode(target);
    }
    if (target == targetTree->Root()) {
        if (mode == amInsertBefore) mode = amAddChildFirst;
        if (mode == amInsertAfter) mode = amAddChildLast;
    }
    if (!DoNodeMoving(source, target == targetTree->Root() ? nullptr : target)) return;

    // The nodes that move, in order.
    std::vector<PVirtualNode> moving;
    if (childrenOnly)
        for (PVirtualNode child = source->FirstChild; child; child = child->NextSibling)
            moving.push_back(child);
    else
        moving.push_back(source);
    // Linking each at the same place in modes that put it first would reverse them: each
    // follows the one before instead.
    auto nextPlace = [&](PVirtualNode linked) {
        if (mode == amAddChildFirst || mode == amInsertAfter) {
            target = linked;
            mode = amInsertAfter;
        }
    };

    PVirtualNode formerParent = source->Parent;
    if (targetTree == this) {
        if (HasAsParent(target, source))
            ShowError("Target node cannot be a child node of the node to be moved.", 2001);
        for (PVirtualNode node : moving) {
            if (node == target) continue;
            InternalDisconnectNode(node, true);
            InternalConnectNode(node, target, this, mode);
            nextPlace(node);
            DoNodeMoved(node);
        }
        if (childrenOnly && source->ChildCount == 0) ExcludeStates(source, vsHasChildren);
    } else {
        TMemoryStream stream;
        for (PVirtualNode node : moving) WriteNode(stream, node);
        targetTree->BeginUpdate();
        try {
            stream.SetPosition(0);
            std::vector<PVirtualNode> selected;
            const int64_t limit = stream.Size();
            for (size_t i = 0; i < moving.size() && stream.Position() < limit; ++i) {
                PVirtualNode linked =
                    targetTree->ReadNode(stream, 2, target, mode, limit, 0, selected);
                nextPlace(linked);
                targetTree->DoNodeMoved(linked);
            }
            if (targetTree->TreeOptions().SelectionOptions().Contains(toMultiSelect))
                targetTree->AddToSelection(selected);
        } catch (...) {
            targetTree->EndUpdate();
            throw;
        }
        targetTree->EndUpdate();
        BeginUpdate();
        try {
            if (childrenOnly)
                DeleteChildren(source, true);
            else
                DeleteNode(source);
        } catch (...) {
            EndUpdate();
            throw;
        }
        EndUpdate();
    }
    InvalidateCache();
    if (updateCount_ == 0) {
        ValidateCache();
        UpdateScrollBars(true);
        RepaintIfNoUpdate();
        if (targetTree != this) targetTree->RepaintIfNoUpdate();
    }
    if (targetTree == this)
        StructureChange(source, crNodeMoved);
    else if (childrenOnly)
        StructureChange(source, crNodeMoved);
    else  // the source is gone: its former parent is named
        StructureChange(formerParent == Root() ? nullptr : formerParent, crNodeMoved);
}
