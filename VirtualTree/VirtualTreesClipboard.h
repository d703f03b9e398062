// The process-wide list of clipboard formats that tree classes offer, kept in priority order,
// and the data object through which a tree hands its nodes and texts to the clipboard and drags.
#pragma once

#include "VirtualTrees.h"

#include <platform/ClipboardFormats.h>
#include <platform/DataObject.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A tree class as the format list knows it: a name and the class it derives from.
struct TVTTreeClass {
    const char* Name;
    const TVTTreeClass* Parent;
    // True for this class and every class derived from it.
    bool InheritsFrom(const TVTTreeClass& other) const;
};
extern const TVTTreeClass BaseVirtualTreeClass;    // "TBaseVirtualTree"
extern const TVTTreeClass VirtualStringTreeClass;  // "TCustomVirtualStringTree"

// How a format's data can be handed over (a set of bits).
enum : uint32_t { tmMemory = 1, tmStream = 4 };

struct TClipboardFormatListEntry {
    std::string Description;
    const TVTTreeClass* TreeClass = nullptr;
    uint32_t Priority = 0;  // lower comes first
    TClipFormat Format = 0;
    uint32_t Media = tmMemory;
};

// Registers a named format for a tree class; returns its number. The list holds the tree's own
// formats from the start: "Virtual Tree Data" (50, memory or stream) for every tree, and for
// string trees "HTML Format" (80), "Rich Text Format Without Objects" (84), "Rich Text Format"
// (85), "CSV" (90), "Unicode text" (95) and "Plain text" (100).
TClipFormat RegisterVTClipboardFormat(std::string_view description, const TVTTreeClass& treeClass,
                                      uint32_t priority, uint32_t media = tmMemory);
// Registers a standard format (named from the standard table); 0 for a number without a name.
TClipFormat RegisterVTClipboardFormat(TClipFormat standardFormat, const TVTTreeClass& treeClass,
                                      uint32_t priority);
// The formats a tree of the class offers (its own and its ancestors'), in priority order;
// equal priorities keep the order of registration.
std::vector<TClipboardFormatListEntry> ClipboardFormatsOf(const TVTTreeClass& treeClass);
// The entry of a description, the last registered when there are several; names compare
// without regard to case.
std::optional<TClipboardFormatListEntry> FindClipboardFormat(std::string_view description);

// The numbers of the tree's own formats.
TClipFormat VirtualTreeDataFormat();       // "Virtual Tree Data"
TClipFormat VirtualTreeReferenceFormat();  // "Virtual Tree Reference" (offered, never listed)
TClipFormat HTMLClipFormat();              // "HTML Format"
TClipFormat RTFClipFormat();               // "Rich Text Format"
TClipFormat RTFNoObjectsClipFormat();      // "Rich Text Format Without Objects"
TClipFormat CSVClipFormat();               // "CSV"

// True when a format of that name is registered for the class or one of its ancestors (what a
// tree's ClipboardFormats accepts).
bool ClassOffersClipboardFormat(const TVTTreeClass& treeClass, std::string_view name);

// A tree's data object: the tree's native formats and "Virtual Tree Reference", rendered by the
// tree when asked. It reaches its tree through the tree's identity, so it outlives the tree
// safely (and then renders nothing).
class TVTDataObject : public TDataObject {
public:
    TVTDataObject(TBaseVirtualTree& owner, bool forClipboard, uint64_t serial = 0);
    std::vector<TClipFormat> Formats() const override { return formats_; }
    std::optional<std::string> GetData(TClipFormat format) override;
    // A clipboard object ends its tree's cut or copy.
    void ClipboardReleased() override;
    // The tree, while it lives.
    TBaseVirtualTree* Owner() const;
    bool ForClipboard() const { return forClipboard_; }
    uint64_t Serial() const { return serial_; }

private:
    uint32_t owner_;
    bool forClipboard_;
    uint64_t serial_;
    std::vector<TClipFormat> formats_;
};
