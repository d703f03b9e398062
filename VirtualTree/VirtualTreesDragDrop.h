// The tree's drag and drop: the parts a drag keeps (the form-library target of the tree, the
// nodes a desktop drag carries, the drag image) and the launcher of desktop drags.
#pragma once

#include "VirtualTrees.h"
#include "VirtualTreesDragImage.h"

#include "platform/DesktopDrag.h"

#include <functional>
#include <memory>
#include <unordered_set>

// The formats of a drag's data (none without data).
std::vector<TClipFormat> DragDataFormats(const TDataObject* data);

// What a tree keeps for drags.
struct TVTDragParts : TFormDragTarget, TDesktopDropTarget {
    explicit TVTDragParts(TBaseVirtualTree* tree) : tree(tree) {}
    void FormDragOver(TObject* source, TPoint pos, TDragState state, bool& accept) override;
    void FormDragDrop(TObject* source, TPoint pos) override;
    int DesktopDragEnter(const PDataObject& data, TShiftState keys, TPoint pos,
                         int allowedEffects) override;
    int DesktopDragOver(TShiftState keys, TPoint pos, int allowedEffects) override;
    void DesktopDragLeave() override;
    int DesktopDrop(const PDataObject& data, TShiftState keys, TPoint pos,
                    int allowedEffects) override;

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
    // The desktop drag over this tree: its data and the tree it comes from.
    PDataObject data;
    bool registered = false;
};
