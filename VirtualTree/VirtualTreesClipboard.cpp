// The clipboard format list of the tree classes, the tree's data object, and copy, cut and
// paste of nodes.

#include "VirtualTreesClipboard.h"

#include "VirtualStringTree.h"
#include "VirtualTreesExport.h"

#include <platform/Clipboard.h>
#include <platform/DateTime.h>
#include <platform/LiveRegistry.h>
#include <platform/Streams.h>
#include <platform/SysUtils.h>

#include <algorithm>
#include <atomic>
#include <mutex>

const TVTTreeClass BaseVirtualTreeClass{"TBaseVirtualTree", nullptr};
const TVTTreeClass VirtualStringTreeClass{"TCustomVirtualStringTree", &BaseVirtualTreeClass};

bool TVTTreeClass::InheritsFrom(const TVTTreeClass& other) const {
    for (const TVTTreeClass* c = this; c; c = c->Parent)
        if (c == &other) return true;
    return false;
}

namespace {

struct TFormatList {
    std::mutex mutex;
    std::vector<TClipboardFormatListEntry> entries;  // in priority order

    void Append(TClipboardFormatListEntry entry) {
        std::lock_guard lock(mutex);
        entries.push_back(std::move(entry));
        std::stable_sort(entries.begin(), entries.end(),
                         [](const auto& a, const auto& b) { return a.Priority < b.Priority; });
    }
};

TFormatList& MakeList();

TFormatList& List() {
    static TFormatList& list = MakeList();
    return list;
}

TClipFormat Append(TFormatList& list, std::string_view description, const TVTTreeClass& treeClass,
                   uint32_t priority, uint32_t media) {
    const TClipFormat format = RegisterClipboardFormatName(description);
    if (format == 0) return 0;
    list.Append({std::string(description), &treeClass, priority, format, media});
    return format;
}

TFormatList& MakeList() {
    static TFormatList list;
    Append(list, "Virtual Tree Data", BaseVirtualTreeClass, 50, tmMemory | tmStream);
    Append(list, "HTML Format", VirtualStringTreeClass, 80, tmMemory);
    Append(list, "Rich Text Format Without Objects", VirtualStringTreeClass, 84, tmMemory);
    Append(list, "Rich Text Format", VirtualStringTreeClass, 85, tmMemory);
    Append(list, "CSV", VirtualStringTreeClass, 90, tmMemory);
    Append(list, StandardClipboardFormatName(StandardFormatUnicodeText), VirtualStringTreeClass, 95,
           tmMemory);
    Append(list, StandardClipboardFormatName(StandardFormatText), VirtualStringTreeClass, 100,
           tmMemory);
    return list;
}

}  // namespace

TClipFormat RegisterVTClipboardFormat(std::string_view description, const TVTTreeClass& treeClass,
                                      uint32_t priority, uint32_t media) {
    return Append(List(), description, treeClass, priority, media);
}

TClipFormat RegisterVTClipboardFormat(TClipFormat standardFormat, const TVTTreeClass& treeClass,
                                      uint32_t priority) {
    const std::string name = StandardClipboardFormatName(standardFormat);
    return name.empty() ? 0 : Append(List(), name, treeClass, priority, tmMemory);
}

std::vector<TClipboardFormatListEntry> ClipboardFormatsOf(const TVTTreeClass& treeClass) {
    TFormatList& list = List();
    std::lock_guard lock(list.mutex);
    std::vector<TClipboardFormatListEntry> result;
    for (const TClipboardFormatListEntry& entry : list.entries)
        if (treeClass.InheritsFrom(*entry.TreeClass)) result.push_back(entry);
    return result;
}

std::optional<TClipboardFormatListEntry> FindClipboardFormat(std::string_view description) {
    TFormatList& list = List();
    std::lock_guard lock(list.mutex);
    for (auto it = list.entries.rbegin(); it != list.entries.rend(); ++it)
        if (SameText(it->Description, description)) return *it;
    return std::nullopt;
}

TClipFormat VirtualTreeDataFormat() {
    static const TClipFormat format = RegisterClipboardFormatName("Virtual Tree Data");
    return format;
}
TClipFormat VirtualTreeReferenceFormat() {
    static const TClipFormat format = RegisterClipboardFormatName("Virtual Tree Reference");
    return format;
}
TClipFormat HTMLClipFormat() {
    static const TClipFormat format = RegisterClipboardFormatName("HTML Format");
    return format;
}
TClipFormat RTFClipFormat() {
    static const TClipFormat format = RegisterClipboardFormatName("Rich Text Format");
    return format;
}
TClipFormat RTFNoObjectsClipFormat() {
    static const TClipFormat format =
        RegisterClipboardFormatName("Rich Text Format Without Objects");
    return format;
}
TClipFormat CSVClipFormat() {
    static const TClipFormat format = RegisterClipboardFormatName("CSV");
    return format;
}

bool ClassOffersClipboardFormat(const TVTTreeClass& treeClass, std::string_view name) {
    const std::optional<TClipboardFormatListEntry> entry = FindClipboardFormat(name);
    return entry && treeClass.InheritsFrom(*entry->TreeClass);
}

// --- The live trees ----------------------------------------------------------------------------

namespace {

TLiveRegistry& LiveTrees() {
    // Never destroyed: a data object left on the clipboard may ask for its tree at exit.
    static TLiveRegistry* registry = new TLiveRegistry;
    return *registry;
}

std::atomic<uint64_t> lastSerial{0};

constexpr int kSOk = 0;

void PutU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += char(uint8_t(v >> (8 * i)));
}

uint32_t GetU32(const std::string& bytes) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(bytes[size_t(i)])) << (8 * i);
    return v;
}

// The node next to which a node attached at target by mode lands.
PVirtualNode NodeAtPlace(PVirtualNode target, TVTNodeAttachMode mode) {
    switch (mode) {
        case amInsertBefore:
            return target->PrevSibling;
        case amInsertAfter:
            return target->NextSibling;
        case amAddChildFirst:
            return target->FirstChild;
        default:
            return target->LastChild;
    }
}

// Attaching each node at the same place in modes that put it first would reverse the nodes:
// each further one follows the one attached before.
void FollowAttached(PVirtualNode attached, PVirtualNode& target, TVTNodeAttachMode& mode) {
    if (mode == amAddChildFirst || mode == amInsertAfter) {
        target = attached;
        mode = amInsertAfter;
    }
}

}  // namespace

TBaseVirtualTree::TTreeIdentity::TTreeIdentity(TBaseVirtualTree* tree)
    : value_(LiveTrees().Register(tree)) {}

TBaseVirtualTree::TTreeIdentity::~TTreeIdentity() {
    LiveTrees().Unregister(value_);
}

TBaseVirtualTree* TBaseVirtualTree::FindLiveTree(uint32_t identity) {
    return static_cast<TBaseVirtualTree*>(LiveTrees().Find(identity));
}

// --- The data object -------------------------------------------------------------------------

TVTDataObject::TVTDataObject(TBaseVirtualTree& owner, bool forClipboard, uint64_t serial)
    : owner_(owner.TreeIdentity()),
      forClipboard_(forClipboard),
      serial_(serial),
      formats_(owner.GetNativeClipboardFormats()) {
    formats_.push_back(VirtualTreeReferenceFormat());
}

TBaseVirtualTree* TVTDataObject::Owner() const {
    return TBaseVirtualTree::FindLiveTree(owner_);
}

std::optional<std::string> TVTDataObject::GetData(TClipFormat format) {
    TBaseVirtualTree* owner = Owner();
    if (!owner || !HasFormat(format)) return std::nullopt;
    if (format == VirtualTreeReferenceFormat()) return MakeProcessReference(owner_);
    std::string data;
    if (!owner->RenderOLEData(format, forClipboard_, data)) return std::nullopt;
    return data;
}

void TVTDataObject::ClipboardReleased() {
    if (!forClipboard_) return;
    if (TBaseVirtualTree* owner = Owner()) owner->ClipboardObjectReleased(serial_);
}

// --- The tree's formats and rendering -----------------------------------------------------------

std::vector<TClipFormat> TBaseVirtualTree::GetNativeClipboardFormats() {
    std::vector<TClipFormat> formats;
    for (const TClipboardFormatListEntry& entry : ClipboardFormatsOf(BaseVirtualTreeClass))
        formats.push_back(entry.Format);
    DoGetUserClipboardFormats(formats);
    return formats;
}

void TBaseVirtualTree::DoGetUserClipboardFormats(std::vector<TClipFormat>& formats) {
    if (OnGetUserClipboardFormats) OnGetUserClipboardFormats(this, formats);
}

int TBaseVirtualTree::DoRenderOLEData(TClipFormat format, bool forClipboard, std::string& data) {
    int result = int(0x80004005u);  // E_FAIL: nothing rendered
    if (OnRenderOLEData) OnRenderOLEData(this, format, forClipboard, data, result);
    return result;
}

bool TBaseVirtualTree::RenderOLEData(TClipFormat format, bool forClipboard, std::string& data) {
    if (format != VirtualTreeDataFormat())
        return DoRenderOLEData(format, forClipboard, data) == kSOk;
    const std::vector<PVirtualNode> nodes =
        forClipboard ? GetSortedCutCopySet(true) : GetSortedSelection(true);
    TMemoryStream stream;
    for (PVirtualNode node : nodes) WriteNode(stream, node);
    if (stream.Size() == 0) return false;
    data.clear();
    data.reserve(size_t(stream.Size()) + 4);
    PutU32(data, uint32_t(stream.Size()));
    data.append(reinterpret_cast<const char*>(stream.Memory()), size_t(stream.Size()));
    return true;
}

PDataObject TBaseVirtualTree::DoCreateDataObject() {
    PDataObject dataObject;
    if (OnCreateDataObject) OnCreateDataObject(this, dataObject);
    return dataObject;
}

PDataObject TBaseVirtualTree::CreateDataObject(bool forClipboard) {
    if (!forClipboard)
        if (PDataObject own = DoCreateDataObject()) return own;
    return std::make_shared<TVTDataObject>(*this, forClipboard);
}

// --- Cut, copy and paste -----------------------------------------------------------------------

std::vector<PVirtualNode> TBaseVirtualTree::GetSortedCutCopySet(bool resolve) const {
    std::vector<PVirtualNode> result;
    for (PVirtualNode run = GetFirstCutCopy(); run; run = GetNextCutCopy(run)) {
        if (resolve) {
            bool under = false;
            for (PVirtualNode p = run->Parent; p && p != Root() && !under; p = p->Parent)
                under = HasState(p, vsCutOrCopy);
            if (under) continue;
        }
        result.push_back(run);
    }
    return result;
}

void TBaseVirtualTree::CopyToClipboard() {
    CopyCutToClipboard(false);
}

void TBaseVirtualTree::CutToClipboard() {
    CopyCutToClipboard(true);
}

void TBaseVirtualTree::CopyCutToClipboard(bool cut) {
    if (SelectionCount() == 0) return;
    const uint64_t serial = ++lastSerial;
    if (!SetClipboardDataObject(std::make_shared<TVTDataObject>(*this, true, serial))) return;
    // Replacing the clipboard's object ended an earlier cut or copy of this tree already.
    CancelCutOrCopy();
    clipboardSerial_ = serial;
    for (PVirtualNode node : GetSortedSelection(false))
        if (!HasState(node, vsDisabled)) IncludeStates(node, vsCutOrCopy);
    states_.Include(cut ? tsCutPending : tsCopyPending);
    if (HandleAllocated() && updateCount_ == 0) Invalidate();
}

void TBaseVirtualTree::CancelCutOrCopy() {
    clipboardSerial_ = 0;
    if (!states_.Contains(tsCutPending) && !states_.Contains(tsCopyPending)) return;
    for (PVirtualNode node : GetSortedCutCopySet(false)) ExcludeStates(node, vsCutOrCopy);
    states_.Exclude(tsCutPending);
    states_.Exclude(tsCopyPending);
    if (!destroying_ && HandleAllocated() && updateCount_ == 0) Invalidate();
}

void TBaseVirtualTree::ClipboardObjectReleased(uint64_t serial) {
    if (serial != 0 && serial == clipboardSerial_) CancelCutOrCopy();
}

void TBaseVirtualTree::ReleaseClipboard() {
    const uint64_t serial = clipboardSerial_;
    if (serial == 0) return;
    CancelCutOrCopy();
    const PDataObject current = ClipboardDataObject();
    const auto* own = dynamic_cast<const TVTDataObject*>(current.get());
    if (own && own->Serial() == serial) ClearClipboard();
}

bool TBaseVirtualTree::PasteFromClipboard() {
    const PDataObject data = ClipboardDataObject();
    if (!data) ShowError("Clipboard operation failed.", 2007);
    TBaseVirtualTree* source = SourceTreeOf(*data);
    const bool move = source && source->HasTreeState(tsCutPending);
    const bool result = ProcessOLEData(source, *data, focusedNode_, defaultPasteMode_, move);
    // A cut moves once: the source's marks go, the clipboard keeps its object.
    if (result && move) source->CancelCutOrCopy();
    return result;
}

TBaseVirtualTree* TBaseVirtualTree::SourceTreeOf(TDataObject& dataObject) {
    if (!dataObject.HasFormat(VirtualTreeReferenceFormat())) return nullptr;
    const std::optional<std::string> reference = dataObject.GetData(VirtualTreeReferenceFormat());
    const std::optional<uint32_t> identity =
        reference ? ReadProcessReference(*reference) : std::nullopt;
    return identity ? FindLiveTree(*identity) : nullptr;
}

// --- Processing a data object --------------------------------------------------------------

bool TBaseVirtualTree::ProcessOLEData(TBaseVirtualTree* source, TDataObject& dataObject,
                                      PVirtualNode targetNode, TVTNodeAttachMode mode,
                                      bool optimizedMove) {
    if (mode == amNoWhere || !dataObject.HasFormat(VirtualTreeDataFormat())) return false;
    PVirtualNode target = targetNode ? targetNode : Root();
    VT_ASSERT(TreeFromNode(target) == this, "The target node must belong to this tree.");
    if (target == Root()) {
        if (mode == amInsertBefore) mode = amAddChildFirst;
        if (mode == amInsertAfter) mode = amAddChildLast;
    }
    bool result;
    BeginUpdate();
    try {
        result = optimizedMove && source ? MoveNodesFrom(*source, target, mode)
                                         : CopyNodesFrom(dataObject, target, mode);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    return result;
}

bool TBaseVirtualTree::MoveNodesFrom(TBaseVirtualTree& source, PVirtualNode target,
                                     TVTNodeAttachMode mode) {
    const std::vector<PVirtualNode> nodes = source.HasTreeState(tsOLEDragging)
                                                ? source.GetSortedSelection(true)
                                                : source.GetSortedCutCopySet(true);
    // No worker may walk either tree while nodes change places.
    InterruptValidation();
    if (&source != this) source.InterruptValidation();
    const PVirtualNode firstTarget = target;
    auto contains = [this](PVirtualNode node, PVirtualNode other) {
        return other == node || HasAsParent(other, node);
    };
    for (PVirtualNode node : nodes) {
        if (&source == this && (contains(node, firstTarget) || contains(node, target))) continue;
        const PVirtualNode before = NodeAtPlace(target, mode);
        source.MoveTo(node, target, mode, false);
        const PVirtualNode after = NodeAtPlace(target, mode);
        // Within the tree the node itself lands there; into this tree from another a new node
        // does. A refused move leaves the place as it was.
        PVirtualNode attached = nullptr;
        if (&source == this)
            attached = after == node ? node : nullptr;
        else if (after != before)
            attached = after;
        if (attached) FollowAttached(attached, target, mode);
    }
    return true;
}

bool TBaseVirtualTree::CopyNodesFrom(TDataObject& dataObject, PVirtualNode target,
                                     TVTNodeAttachMode mode) {
    const std::optional<std::string> data = dataObject.GetData(VirtualTreeDataFormat());
    if (!data) return false;
    // A byte count, then that many bytes of node records; nothing beyond them is read.
    if (data->size() < 4 || GetU32(*data) > data->size() - 4)
        ShowError("Unable to load tree structure, not enough data available.", 2004);
    const int64_t limit = GetU32(*data);
    TReadOnlyMemoryStream stream(reinterpret_cast<const uint8_t*>(data->data()) + 4, limit);
    std::vector<PVirtualNode> selected;
    while (stream.Position() < limit) {
        const PVirtualNode before = NodeAtPlace(target, mode);
        std::vector<PVirtualNode> nodeSelected;
        PVirtualNode node;
        try {
            node = ReadNode(stream, 2, target, mode, limit, 0, nodeSelected);
        } catch (...) {
            // A record that breaks off leaves no half-read node behind.
            const PVirtualNode partial = NodeAtPlace(target, mode);
            if (partial && partial != before) DeleteNode(partial);
            if (TreeOptions().SelectionOptions().Contains(toMultiSelect)) AddToSelection(selected);
            throw;
        }
        if (!DoNodeCopying(node, node->Parent == Root() ? nullptr : node->Parent)) {
            DeleteNode(node);
            continue;
        }
        selected.insert(selected.end(), nodeSelected.begin(), nodeSelected.end());
        DoNodeCopied(node);
        FollowAttached(node, target, mode);
    }
    if (TreeOptions().SelectionOptions().Contains(toMultiSelect)) AddToSelection(selected);
    return true;
}

// --- The string tree's formats -------------------------------------------------------------

std::vector<TClipFormat> TCustomVirtualStringTree::GetNativeClipboardFormats() {
    std::vector<TClipFormat> formats;
    for (const TClipboardFormatListEntry& entry : ClipboardFormatsOf(VirtualStringTreeClass))
        formats.push_back(entry.Format);
    DoGetUserClipboardFormats(formats);
    return formats;
}

bool TCustomVirtualStringTree::RenderOLEData(TClipFormat format, bool forClipboard,
                                             std::string& data) {
    const bool text = format == StandardFormatText || format == StandardFormatUnicodeText ||
                      format == CSVClipFormat() || format == HTMLClipFormat() ||
                      format == RTFClipFormat() || format == RTFNoObjectsClipFormat();
    if (!text) return TBaseVirtualTree::RenderOLEData(format, forClipboard, data);
    const TExportCellText cellText =
        Utf8CellText([this](PVirtualNode node, TColumnIndex column) { return Text(node, column); });
    // The font OnPaintText picks for the cell, as painting starts it from the tree's font.
    TBitmap scratch(1, 1);
    const TExportCellFont cellFont = [&](PVirtualNode node, TColumnIndex column, TFont& font) {
        TCanvas& canvas = scratch.Canvas();
        canvas.Font().Assign(font);
        DoPaintText(node, canvas, column, ttNormal);
        const TFont& chosen = canvas.Font();
        const bool changed = chosen.Name() != font.Name() || chosen.Height() != font.Height() ||
                             chosen.Style() != font.Style() || chosen.Color() != font.Color();
        font.Assign(chosen);
        return changed;
    };
    data = RenderTextFormat(*this, format, forClipboard ? tstCutCopySet : tstSelected, cellText,
                            ListSeparatorFor(FormatSettings().DecimalSeparator), cellFont);
    return !data.empty();
}
