// Tree streams: writing nodes with their structure and user data, reading them back from data
// that may be damaged or hostile, and moving nodes within and between trees.
//
// Reading never trusts a length or a count: every read is bounded by the chunk that encloses
// it (a record that claims more than its chunk holds raises 2004), children are read only while
// their parent's chunk has room, and records nest at most VTMaxStreamDepth deep. A record that
// fails is removed again whole, so the tree keeps only nodes that were read completely.
#include "VirtualTreesStreams.h"

#include "VirtualTrees.h"

#include "platform/Exceptions.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

const char* const kReadOnlyMessage = "Can't write to a read-only resource stream";

// The bound of the chunk being read and the nesting depth, for the reading call chain.
thread_local int64_t gLimit = -1;
thread_local int gDepth = 0;
// The nodes a record marks selected, gathered while it is read.
thread_local std::vector<PVirtualNode>* gSelected = nullptr;

class LimitScope {
public:
    explicit LimitScope(int64_t limit) : saved_(gLimit) { gLimit = limit; }
    ~LimitScope() { gLimit = saved_; }
    LimitScope(const LimitScope&) = delete;
    LimitScope& operator=(const LimitScope&) = delete;

private:
    int64_t saved_;
};

[[noreturn]] void WrongFormat() {
    ShowError("Unable to load tree structure, the format is wrong.", 2002);
}
[[noreturn]] void UnknownVersion() {
    ShowError("Unable to load tree structure, the version is unknown.", 2003);
}
[[noreturn]] void NotEnoughData() {
    ShowError("Unable to load tree structure, not enough data available.", 2004);
}
[[noreturn]] void AnchorMissing() {
    ShowError("Stream data corrupt. A node's anchor chunk is missing.", 2005);
}
[[noreturn]] void DataAfterEnd() {
    ShowError("Stream data corrupt. Unexpected data after node's end position.", 2006);
}

int64_t CurrentLimit(TStream& stream) {
    return gLimit >= 0 ? gLimit : stream.Size();
}

// Reads exactly count bytes that lie before limit, or raises 2004.
void ReadExact(TStream& stream, void* buffer, int64_t count, int64_t limit) {
    int64_t pos = stream.Position();
    if (pos < 0 || limit - pos < count) NotEnoughData();
    if (stream.Read(buffer, count) != count) NotEnoughData();
}

void SeekTo(TStream& stream, int64_t pos) {
    if (stream.Seek(pos, soFromBeginning) != pos) NotEnoughData();
}

uint32_t GetU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t GetU16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
void PutU16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
void WriteU32(TStream& stream, uint32_t v) {
    uint8_t b[4];
    PutU32(b, v);
    stream.WriteBuffer(b, 4);
}

void WriteMagic(TStream& stream) {
    const uint16_t units[6] = {0x2045, 'V', 'T', uint16_t(VTTreeStreamVersion), ' ', 0x2046};
    uint8_t b[VTMagicSize];
    for (int i = 0; i < 6; ++i) PutU16(b + 2 * i, units[i]);
    stream.WriteBuffer(b, VTMagicSize);
}

// Checks the magic and the version, and reads the node count (version 1 has none: its nodes
// run to the end). Nothing is changed before this passes.
int ReadHeader(TStream& stream, uint32_t& count) {
    const int64_t limit = stream.Size();
    uint8_t b[VTMagicSize];
    ReadExact(stream, b, VTMagicSize, limit);
    if (GetU16(b) != 0x2045 || GetU16(b + 2) != 'V' || GetU16(b + 4) != 'T' ||
        GetU16(b + 10) != 0x2046)
        WrongFormat();
    const int version = GetU16(b + 6);
    if (version < 1 || version > VTTreeStreamVersion) UnknownVersion();
    count = 0x7FFFFFFF;
    if (version >= 2) {
        uint8_t c[4];
        ReadExact(stream, c, 4, limit);
        count = GetU32(c);
    }
    return version;
}

// A read-only window on [start, start + size) of another stream: what OnLoadNode sees.
class TChunkStream : public TStream {
public:
    TChunkStream(TStream& base, int64_t start, int64_t size)
        : base_(base), start_(start), size_(size) {}
    int64_t Read(void* buffer, int64_t count) override {
        if (count <= 0 || pos_ >= size_) return 0;
        int64_t n = std::min(count, size_ - pos_);
        if (base_.Seek(start_ + pos_, soFromBeginning) != start_ + pos_) return 0;
        int64_t got = base_.Read(buffer, n);
        if (got > 0) pos_ += got;
        return got < 0 ? 0 : got;
    }
    int64_t Write(const void*, int64_t) override { throw EStreamError(kReadOnlyMessage); }
    int64_t Seek(int64_t offset, int origin) override {
        int64_t base;
        switch (origin) {
            case soFromBeginning:
                base = 0;
                break;
            case soFromCurrent:
                base = pos_;
                break;
            case soFromEnd:
                base = size_;
                break;
            default:
                return -1;
        }
        int64_t target;
        if (__builtin_add_overflow(base, offset, &target) || target < 0) return -1;
        pos_ = std::min(target, size_);
        return pos_;
    }
    int64_t GetSize() override { return size_; }
    void SetSize(int64_t) override { throw EStreamError(kReadOnlyMessage); }

private:
    TStream& base_;
    int64_t start_;
    int64_t size_;
    int64_t pos_ = 0;
};

}  // namespace

// --- Helpers of the format ---------------------------------------------------------------------

int64_t VTWriteChunkHeader(TStream& stream, int chunkType) {
    int64_t start = stream.Position();
    WriteU32(stream, uint32_t(chunkType));
    WriteU32(stream, 0);
    return start;
}

void VTAdjustChunkSize(TStream& stream, int64_t chunkStart) {
    const int64_t end = stream.Position();
    const int64_t size = end - chunkStart - VTChunkHeaderSize;
    if (size < 0 || size > int64_t(std::numeric_limits<uint32_t>::max()))
        throw EWriteError("Stream write error");
    stream.Seek(chunkStart + 4, soFromBeginning);
    WriteU32(stream, uint32_t(size));
    stream.Seek(end, soFromBeginning);
}

// --- TOLEMemoryStream ----------------------------------------------------------------------------

int64_t TOLEMemoryStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || pos_ >= size_) return 0;
    int64_t n = std::min(count, size_ - pos_);
    std::memcpy(buffer, data_ + pos_, size_t(n));
    pos_ += n;
    return n;
}

int64_t TOLEMemoryStream::Write(const void*, int64_t) {
    throw EStreamError(kReadOnlyMessage);
}

void TOLEMemoryStream::SetSize(int64_t) {
    throw EStreamError(kReadOnlyMessage);
}

int64_t TOLEMemoryStream::Seek(int64_t offset, int origin) {
    int64_t base;
    switch (origin) {
        case soFromBeginning:
            base = 0;
            break;
        case soFromCurrent:
            base = pos_;
            break;
        case soFromEnd:
            base = size_;
            break;
        default:
            return -1;
    }
    int64_t target;
    if (__builtin_add_overflow(base, offset, &target) || target < 0) return -1;
    pos_ = target;
    return pos_;
}

// --- Writing -------------------------------------------------------------------------------------

void TBaseVirtualTree::SaveToStream(TStream& stream, PVirtualNode node) {
    WriteMagic(stream);
    if (node && node != Root()) {
        WriteU32(stream, 1);
        WriteNode(stream, node);
        return;
    }
    // The count says how many records follow, whatever a handler did to the tree meanwhile.
    const int64_t countPos = stream.Position();
    const uint32_t count = Root()->ChildCount;
    WriteU32(stream, count);
    uint32_t written = 0;
    for (PVirtualNode run = Root()->FirstChild; run; run = run->NextSibling) {
        WriteNode(stream, run);
        ++written;
    }
    if (written != count) {
        const int64_t end = stream.Position();
        stream.Seek(countPos, soFromBeginning);
        WriteU32(stream, written);
        stream.Seek(end, soFromBeginning);
    }
}

void TBaseVirtualTree::SaveToFile(const std::string& fileName) {
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

void TBaseVirtualTree::WriteNode(TStream& stream, PVirtualNode node) {
    if (TreeOptions().MiscOptions().Contains(toInitOnSave)) {
        if (!HasState(node, vsInitialized)) InitNode(node);
        if (HasState(node, vsHasChildren) && node->ChildCount == 0) InitChildren(node);
    }
    const int64_t start = VTWriteChunkHeader(stream, VTNodeChunk);
    WriteChunks(stream, node);
    VTAdjustChunkSize(stream, start);
}

void TBaseVirtualTree::WriteChunks(TStream& stream, PVirtualNode node) {
    const int64_t start = VTWriteChunkHeader(stream, VTBaseChunk);
    uint8_t body[17] = {};
    PutU32(body, 0);  // the number of child records, set below
    PutU32(body + 4, node->NodeHeight);
    PutU16(body + 8, uint16_t(NodeStates(node) & VTStoredStatesMask));
    body[10] = node->Align;
    body[11] = node->CheckState;
    body[12] = node->CheckType;
    stream.WriteBuffer(body, sizeof body);
    uint32_t children = 0;
    if (HasState(node, vsInitialized))
        for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling) {
            WriteNode(stream, child);
            ++children;
        }
    if (children > 0) {
        const int64_t end = stream.Position();
        stream.Seek(start + VTChunkHeaderSize, soFromBeginning);
        WriteU32(stream, children);
        stream.Seek(end, soFromBeginning);
    }
    VTAdjustChunkSize(stream, start);

    // The user data, left out when the handler writes nothing.
    const int64_t userStart = VTWriteChunkHeader(stream, VTUserDataChunk);
    DoSaveUserData(node, stream);
    if (stream.Position() == userStart + VTChunkHeaderSize) {
        const bool atEnd = stream.Size() == userStart + VTChunkHeaderSize;
        stream.Seek(userStart, soFromBeginning);
        if (atEnd) stream.SetSize(userStart);
    } else {
        VTAdjustChunkSize(stream, userStart);
    }
}

// --- Reading -------------------------------------------------------------------------------------

void TBaseVirtualTree::LoadFromStream(TStream& stream) {
    uint32_t count = 0;
    const int version = ReadHeader(stream, count);
    Clear();
    BeginUpdate();
    try {
        const int64_t end = stream.Size();
        LimitScope scope(end);
        while (count > 0 && stream.Position() < end) {
            --count;
            AddNodeFromStream(stream, version, Root(), amAddChildLast);
        }
        DoNodeCopied(nullptr);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TBaseVirtualTree::LoadFromFile(const std::string& fileName) {
    TFileStream file(fileName, fmOpenRead);
    LoadFromStream(file);
}

void TBaseVirtualTree::AddFromStream(TStream& stream, PVirtualNode target) {
    if (!target) target = Root();
    VT_ASSERT(TreeFromNode(target) == this, "The target node must belong to this tree.");
    uint32_t count = 0;
    const int version = ReadHeader(stream, count);
    BeginUpdate();
    try {
        const int64_t end = stream.Size();
        LimitScope scope(end);
        while (count > 0 && stream.Position() < end) {
            --count;
            AddNodeFromStream(stream, version, target, amAddChildLast);
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

PVirtualNode TBaseVirtualTree::AddNodeFromStream(TStream& stream, int version,
                                                 PVirtualNode destination, TVTNodeAttachMode mode) {
    PVirtualNode node = MakeNewNode();
    InternalConnectNode(node, destination, this, mode);
    try {
        InternalAddFromStream(stream, version, node);
    } catch (...) {
        DeleteNode(node);
        throw;
    }
    return node;
}

void TBaseVirtualTree::InternalAddFromStream(TStream& stream, int version, PVirtualNode node) {
    if (!node) node = Root();
    std::vector<PVirtualNode> selected;
    std::vector<PVirtualNode>* saved = gSelected;
    gSelected = &selected;
    try {
        ReadNode(stream, version, node);
    } catch (...) {
        gSelected = saved;
        throw;
    }
    gSelected = saved;
    // The shown count follows every link as it is made; the selection is taken in one step.
    if (!selected.empty() && TreeOptions().SelectionOptions().Contains(toMultiSelect)) {
        std::sort(selected.begin(), selected.end());
        selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
        AddToSelection(selected, true);
    }
}

void TBaseVirtualTree::ReadNode(TStream& stream, int version, PVirtualNode node) {
    struct DepthScope {
        DepthScope() { ++gDepth; }
        ~DepthScope() { --gDepth; }
    } depth;
    if (gDepth > VTMaxStreamDepth) DataAfterEnd();
    const int64_t limit = CurrentLimit(stream);
    uint8_t header[VTChunkHeaderSize];
    ReadExact(stream, header, VTChunkHeaderSize, limit);
    if (GetU32(header) != VTNodeChunk) AnchorMissing();
    const int64_t end = stream.Position() + GetU32(header + 4);
    if (end > limit) NotEnoughData();
    LimitScope nodeScope(end);
    while (stream.Position() < end) {
        ReadExact(stream, header, VTChunkHeaderSize, end);
        const uint32_t chunkSize = GetU32(header + 4);
        const int64_t chunkEnd = stream.Position() + chunkSize;
        if (chunkEnd > end) NotEnoughData();
        {
            LimitScope chunkScope(chunkEnd);
            ReadChunk(stream, version, node, int(GetU32(header)), chunkSize);
        }
        // Whatever a chunk reader left unread is skipped.
        if (stream.Position() != chunkEnd) SeekTo(stream, chunkEnd);
    }
    if (stream.Position() != end) DataAfterEnd();
}

bool TBaseVirtualTree::ReadChunk(TStream& stream, int version, PVirtualNode node, int chunkType,
                                 uint32_t chunkSize) {
    const int64_t start = stream.Position();
    const int64_t end = start + chunkSize;
    switch (chunkType) {
        case VTBaseChunk: {
            uint8_t body[17];
            ReadExact(stream, body, version == 1 ? 12 : 17, end);
            const uint32_t childCount = GetU32(body);
            const uint32_t height = std::min<uint32_t>(GetU32(body + 4), 65535);
            uint16_t states;
            const uint8_t* rest;
            if (version == 1) {
                // The old state byte kept the selection in bit 7; every old node is visible.
                states = uint16_t((body[8] & 0x7F) | vsVisible | (body[8] & 0x80 ? vsSelected : 0));
                rest = body + 9;
            } else {
                states = GetU16(body + 8);
                rest = body + 10;
            }
            states &= VTPersistentStatesMask;
            if (node != Root()) {
                if (states & vsSelected) {
                    if (gSelected) gSelected->push_back(node);
                    states &= uint16_t(~vsSelected);
                }
                // Counters follow the new height and states: the node leaves its place and
                // comes back to it.
                BeginMutation();
                PVirtualNode parent = node->Parent;
                PVirtualNode previous = node->PrevSibling;
                if (parent) store_.Unlink(node, true);
                node->NodeHeight = uint16_t(height);
                node->States = uint16_t(states | (node->FirstChild ? vsHasChildren : 0));
                node->Align = rest[0];
                node->CheckState = rest[1] <= csMixedPressed ? rest[1] : uint8_t(csUncheckedNormal);
                node->CheckType = rest[2] <= ctButton ? rest[2] : uint8_t(ctNone);
                uint32_t totalHeight = node->NodeHeight;
                if (states & vsExpanded)
                    for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling)
                        if (HasState(child, vsVisible)) totalHeight += child->TotalHeight;
                node->TotalHeight = totalHeight;
                if (parent)
                    store_.Link(node, previous ? previous : parent,
                                previous ? amInsertAfter : amAddChildFirst);
            }
            for (uint32_t i = 0; i < childCount && stream.Position() < end; ++i) {
                PVirtualNode child = MakeNewNode();
                InternalConnectNode(child, node, this, amAddChildLast);
                ReadNode(stream, version, child);
            }
            return true;
        }
        case VTUserDataChunk: {
            if (chunkSize == 0) return true;
            TChunkStream view(stream, start, chunkSize);
            DoLoadUserData(node, view);
            const bool used = view.Position() > 0;
            // A node that got user data is initialised, so OnFreeNode releases that data even
            // when the stream said otherwise.
            if (used && node != Root()) IncludeStates(node, vsInitialized);
            SeekTo(stream, end);
            return used;
        }
        default:
            SeekTo(stream, end);
            return false;
    }
}

void TBaseVirtualTree::SkipNode(TStream& stream) {
    const int64_t limit = CurrentLimit(stream);
    uint8_t header[VTChunkHeaderSize];
    ReadExact(stream, header, VTChunkHeaderSize, limit);
    if (GetU32(header) != VTNodeChunk) AnchorMissing();
    const int64_t end = stream.Position() + GetU32(header + 4);
    if (end > limit) NotEnoughData();
    SeekTo(stream, end);
}

// --- Moving --------------------------------------------------------------------------------------

void TBaseVirtualTree::MoveTo(PVirtualNode source, PVirtualNode target, TVTNodeAttachMode mode,
                              bool childrenOnly) {
    if (mode == amNoWhere || !source || source == Root() || target == source) return;
    VT_ASSERT(TreeFromNode(source) == this, "The source tree must contain the source node.");
    TBaseVirtualTree* targetTree = this;
    if (!target) {
        target = Root();
        mode = amAddChildFirst;
    } else {
        targetTree = TreeFromNode(target);
        VT_ASSERT(targetTree, "The target node must belong to a tree.");
    }
    if (target == targetTree->Root()) {
        if (mode == amInsertBefore) mode = amAddChildFirst;
        if (mode == amInsertAfter) mode = amAddChildLast;
    }
    const bool allowed = DoNodeMoving(source, target == targetTree->Root() ? nullptr : target);
    if (!allowed) return;

    // Moved nodes keep their order: each one after the first goes behind the one before.
    std::vector<PVirtualNode> nodes;
    if (childrenOnly)
        for (PVirtualNode child = source->FirstChild; child; child = child->NextSibling)
            nodes.push_back(child);
    else
        nodes.push_back(source);
    if (nodes.empty()) return;

    PVirtualNode reported = source;
    if (targetTree == this) {
        if (store_.HasAsParent(target, source))
            ShowError("Target node cannot be a child node of the node to be moved.", 2001);
        PVirtualNode destination = target;
        for (PVirtualNode node : nodes) {
            InternalDisconnectNode(node, true);
            InternalConnectNode(node, destination, this, mode);
            DoNodeMoved(node);
            destination = node;
            mode = amInsertAfter;
        }
        if (childrenOnly) ExcludeStates(source, vsHasChildren);
    } else {
        TMemoryStream buffer;
        for (PVirtualNode node : nodes) WriteNode(buffer, node);
        buffer.SetPosition(0);
        targetTree->BeginUpdate();
        std::vector<PVirtualNode> added;
        try {
            LimitScope scope(buffer.Size());
            PVirtualNode destination = target;
            for (size_t i = 0; i < nodes.size(); ++i) {
                PVirtualNode node =
                    targetTree->AddNodeFromStream(buffer, VTTreeStreamVersion, destination, mode);
                added.push_back(node);
                targetTree->DoNodeMoved(node);
                destination = node;
                mode = amInsertAfter;
            }
        } catch (...) {
            // The source stays whole: what reached the target goes again, no node twice.
            for (PVirtualNode node : added) targetTree->DeleteNode(node);
            targetTree->EndUpdate();
            throw;
        }
        targetTree->EndUpdate();
        BeginUpdate();
        try {
            if (childrenOnly) {
                DeleteChildren(source, true);
            } else {
                reported = source->Parent == Root() ? nullptr : source->Parent;
                DeleteNode(source);
            }
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
        Invalidate();
    }
    if (targetTree != this) {
        targetTree->InvalidateCache();
        if (targetTree->updateCount_ == 0) {
            targetTree->ValidateCache();
            targetTree->UpdateScrollBars(true);
            targetTree->Invalidate();
        }
    }
    StructureChange(reported, crNodeMoved);
}
