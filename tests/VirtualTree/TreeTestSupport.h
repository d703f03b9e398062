// Shared helpers of the tree tests: a test tree, an event recorder, the structure checker.
#pragma once

#include "VirtualTrees.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// A tree that exposes what tests need to drive and observe.
class TestTree : public TBaseVirtualTree {
public:
    TestTree();
    int nodeWidth = 0;
    int paints = 0;
    int DoGetNodeWidth(PVirtualNode, TColumnIndex) override { return nodeWidth; }
    using TBaseVirtualTree::FindNodeInSelection;
    using TBaseVirtualTree::SetTreeState;
    // Internals and dispatchers the tests drive directly.
    using TBaseVirtualTree::ColumnIsEmpty;
    using TBaseVirtualTree::DetermineDropEffect;
    using TBaseVirtualTree::DoBeforeDrag;
    using TBaseVirtualTree::DoChecking;
    using TBaseVirtualTree::DoCollapsing;
    using TBaseVirtualTree::DoCompare;
    using TBaseVirtualTree::DoCreateEditor;
    using TBaseVirtualTree::DoExpanding;
    using TBaseVirtualTree::DoFocusChanging;
    using TBaseVirtualTree::DoGetImageIndex;
    using TBaseVirtualTree::DoGetPopupMenu;
    using TBaseVirtualTree::DoHeaderDragging;
    using TBaseVirtualTree::DoNodeCopying;
    using TBaseVirtualTree::DoNodeMoving;
    using TBaseVirtualTree::DoRenderOLEData;
    using TBaseVirtualTree::GetNodeDataSize;
    using TBaseVirtualTree::HandleClickSelection;
    using TBaseVirtualTree::HandleDrawSelection;
    using TBaseVirtualTree::InternalConnectNode;
    using TBaseVirtualTree::InternalDisconnectNode;

    // Makes the window exist and sizes it so the client area is width x height.
    void SetClientSize(int width, int height);

protected:
    void Paint(TCanvas& canvas, const TRect& r) override {
        ++paints;
        TBaseVirtualTree::Paint(canvas, r);
    }
};

// Records events as "Name(args)" lines; nodes are named through a naming callback.
class EventLog {
public:
    explicit EventLog(TBaseVirtualTree& tree);
    // Detaches every handler of the tree: a tree outliving its log must not call into it.
    ~EventLog();
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;
    // Gives a node a name in the log (others show as "#<index>@<level>", nil as "nil").
    void Name(PVirtualNode node, const std::string& name) { names_.push_back({node, name}); }
    std::string NodeName(PVirtualNode node) const;
    std::vector<std::string> lines;
    std::vector<std::string> Take() {
        auto out = lines;
        lines.clear();
        return out;
    }
    int Count(const std::string& prefix) const;
    // Which events to record; all by default.
    void RecordOnly(std::vector<std::string> prefixes) { filter_ = std::move(prefixes); }

private:
    void Add(const std::string& line);
    TBaseVirtualTree& tree_;
    std::vector<std::pair<PVirtualNode, std::string>> names_;
    std::vector<std::string> filter_;
};

// Walks the whole tree without initialising anything and checks every counter and link
// against a count made from scratch; returns the first broken rule, empty when all hold.
std::string CheckStructure(TBaseVirtualTree& tree);

// Runs what is pending now, then (milliseconds > 0) walks the headless clock that far on,
// firing the timers that fall due; no real time passes.
void Pump(int milliseconds = 0);

// Every node in depth-first order, without initialisation.
std::vector<PVirtualNode> AllNodes(const TBaseVirtualTree& tree);

// Builds A(A1, A2(A2a)), C(C1) with A and C expanded and A2 collapsed; no node initialised
// unless init is set.
struct Shape {
    PVirtualNode A, A1, A2, A2a, C, C1;
};
Shape BuildShape(TBaseVirtualTree& tree);
