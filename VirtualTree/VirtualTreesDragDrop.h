// The tree's drag and drop: the parts a drag keeps (the form-library target of the tree, the
// nodes a desktop drag carries, the drag image) and the launcher of desktop drags.
#pragma once

#include "VirtualTrees.h"
#include "VirtualTreesDragImage.h"

#include <functional>
#include <memory>
#include <unordered_set>

// What a desktop drag carries, as a drop target sees it.
class TVTDragData {
public:
    virtual ~TVTDragData() = default;
    // The formats offered, by number (platform/ClipboardFormats.h).
    virtual std::vector<TClipFormat> Formats() const = 0;
};
// The formats of a drag's data (none without data).
std::vector<TClipFormat> DragDataFormats(const TVTDragData* data);

// Runs the desktop's drag of a tree's nodes and returns the effect it ended with
// (DROPEFFECT_*): the program installs the one over Qt, tests their own. Without one a drag
// ends at once with no effect.
struct TVTDragRequest {
    TBaseVirtualTree* Source = nullptr;
    int AllowedEffects = 0;
    const TVTDragImage* Image = nullptr;  // nullptr: no picture follows the cursor
};
using TVTDragLauncher = std::function<int(const TVTDragRequest& request)>;
void SetDragLauncher(TVTDragLauncher launcher);
const TVTDragLauncher& DragLauncher();

// What a tree keeps for drags.
struct TVTDragParts : TFormDragTarget {
    explicit TVTDragParts(TBaseVirtualTree* tree) : tree(tree) {}
    void FormDragOver(TObject* source, TPoint pos, TDragState state, bool& accept) override;
    void FormDragDrop(TObject* source, TPoint pos) override;

    TBaseVirtualTree* tree;
    // The nodes of this tree's running desktop drag that are still where they were: a node
    // that is moved or freed meanwhile leaves the set.
    std::unordered_set<PVirtualNode> dragged;
    std::unique_ptr<TVTDragImage> image;
    // The drag over this tree, for the scroll timer.
    bool over = false;
    TObject* source = nullptr;
    TShiftState shift = 0;
    TPoint point;
    int allowed = 0;
    bool scrollTimer = false;
};
