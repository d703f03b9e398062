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

// The tree's own drag manager: the desktop's drags over the tree go to the tree's drop-target
// side (DragEnter, DragOver, DragLeave, DragDrop).
class TVTDragManager : public IVTDragManager {
public:
    explicit TVTDragManager(TBaseVirtualTree& tree) : tree_(tree) {}
    PDataObject DataObject() override;
    TBaseVirtualTree* DragSource() const override;
    bool IsDropTarget() const override { return isDropTarget_; }
    int DesktopDragEnter(const PDataObject& data, TShiftState keys, TPoint pos,
                         int allowedEffects) override;
    int DesktopDragOver(TShiftState keys, TPoint pos, int allowedEffects) override;
    void DesktopDragLeave() override;
    int DesktopDrop(const PDataObject& data, TShiftState keys, TPoint pos,
                    int allowedEffects) override;

private:
    TBaseVirtualTree& tree_;
    PDataObject data_;  // the drag over the tree
    bool isDropTarget_ = false;
};

// What a tree keeps for drags. As the desktop's drop target it hands each call to the tree's
// drag manager, which is made at the first drag.
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
    PVTDragManager manager;
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
    bool registered = false;  // the drag manager takes the desktop's drops
};
