// The clipboard format list of the tree classes.

#include "VirtualTreesClipboard.h"

#include <platform/SysUtils.h>

#include <algorithm>
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
