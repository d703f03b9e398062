// Shared helpers of the tree tests.
#include "TreeTestSupport.h"

#include "platform/EventLoop.h"
#include "platform/headless/Headless.h"

#include <sstream>

void Pump(int milliseconds) {
    if (milliseconds <= 0)
        ProcessMessages(false);
    else
        AdvanceTime(milliseconds);
}

TestTree::TestTree() : TBaseVirtualTree(nullptr) {}

void TestTree::SetClientSize(int width, int height) {
    HandleNeeded();
    int frame = 2 * BorderWidth();
    int bar = ScrollBarVisible(sbVertical) ? ScrollBarExtent() : 0;
    int hbar = ScrollBarVisible(sbHorizontal) ? ScrollBarExtent() : 0;
    SetBounds(0, 0, width + frame + bar, height + frame + HeaderStripHeight() + hbar);
}

EventLog::EventLog(TBaseVirtualTree& tree) : tree_(tree) {
    auto n = [this](PVirtualNode node) { return NodeName(node); };
    tree.OnInitNode = [this, n](TBaseVirtualTree*, PVirtualNode parent, PVirtualNode node,
                                TVirtualNodeInitStates&) {
        Add("InitNode(" + n(parent) + "," + n(node) + ")");
    };
    tree.OnInitChildren = [this, n](TBaseVirtualTree*, PVirtualNode node, uint32_t& count) {
        Add("InitChildren(" + n(node) + "," + std::to_string(count) + ")");
    };
    tree.OnFreeNode = [this, n](TBaseVirtualTree*, PVirtualNode node) {
        Add("FreeNode(" + n(node) + ")");
    };
    tree.OnStructureChange = [this, n](TBaseVirtualTree*, PVirtualNode node, TChangeReason reason) {
        Add("StructureChange(" + n(node) + "," + std::to_string(int(reason)) + ")");
    };
    tree.OnChange = [this, n](TBaseVirtualTree*, PVirtualNode node) {
        Add("Change(" + n(node) + ")");
    };
    tree.OnUpdating = [this](TBaseVirtualTree*, TVTUpdateState state) {
        Add("Updating(" + std::to_string(int(state)) + ")");
    };
    tree.OnExpanding = [this, n](TBaseVirtualTree*, PVirtualNode node, bool&) {
        Add("Expanding(" + n(node) + ")");
    };
    tree.OnExpanded = [this, n](TBaseVirtualTree*, PVirtualNode node) {
        Add("Expanded(" + n(node) + ")");
    };
    tree.OnCollapsing = [this, n](TBaseVirtualTree*, PVirtualNode node, bool&) {
        Add("Collapsing(" + n(node) + ")");
    };
    tree.OnCollapsed = [this, n](TBaseVirtualTree*, PVirtualNode node) {
        Add("Collapsed(" + n(node) + ")");
    };
    tree.OnFocusChanging = [this, n](TBaseVirtualTree*, PVirtualNode oldNode, PVirtualNode newNode,
                                     TColumnIndex, TColumnIndex, bool&) {
        Add("FocusChanging(" + n(oldNode) + "," + n(newNode) + ")");
    };
    tree.OnFocusChanged = [this, n](TBaseVirtualTree*, PVirtualNode node, TColumnIndex) {
        Add("FocusChanged(" + n(node) + ")");
    };
    tree.OnResetNode = [this, n](TBaseVirtualTree*, PVirtualNode node) {
        Add("ResetNode(" + n(node) + ")");
    };
    tree.OnScroll = [this](TBaseVirtualTree*, int dx, int dy) {
        Add("Scroll(" + std::to_string(dx) + "," + std::to_string(dy) + ")");
    };
}

EventLog::~EventLog() {
    tree_.OnInitNode = nullptr;
    tree_.OnInitChildren = nullptr;
    tree_.OnFreeNode = nullptr;
    tree_.OnStructureChange = nullptr;
    tree_.OnChange = nullptr;
    tree_.OnUpdating = nullptr;
    tree_.OnExpanding = nullptr;
    tree_.OnExpanded = nullptr;
    tree_.OnCollapsing = nullptr;
    tree_.OnCollapsed = nullptr;
    tree_.OnFocusChanging = nullptr;
    tree_.OnFocusChanged = nullptr;
    tree_.OnResetNode = nullptr;
    tree_.OnScroll = nullptr;
}

std::string EventLog::NodeName(PVirtualNode node) const {
    if (!node) return "nil";
    for (const auto& [n, name] : names_)
        if (n == node) return name;
    return "#" + std::to_string(node->Index) + "@" + std::to_string(tree_.GetNodeLevel(node));
}

int EventLog::Count(const std::string& prefix) const {
    int count = 0;
    for (const std::string& line : lines)
        if (line.rfind(prefix, 0) == 0) ++count;
    return count;
}

void EventLog::Add(const std::string& line) {
    if (!filter_.empty()) {
        bool wanted = false;
        for (const std::string& prefix : filter_)
            if (line.rfind(prefix, 0) == 0) wanted = true;
        if (!wanted) return;
    }
    lines.push_back(line);
}

std::vector<PVirtualNode> AllNodes(const TBaseVirtualTree& tree) {
    std::vector<PVirtualNode> nodes;
    for (PVirtualNode run = tree.GetFirstNoInit(); run; run = tree.GetNextNoInit(run))
        nodes.push_back(run);
    return nodes;
}

namespace {

struct Checker {
    const TBaseVirtualTree& tree;
    std::ostringstream error;
    uint32_t shown = 0;

    bool Fail(const std::string& what, PVirtualNode node) {
        error << what << " at node " << static_cast<const void*>(node) << " (index " << node->Index
              << ", level " << tree.GetNodeLevel(node) << ")";
        return false;
    }

    // Checks a node's subtree; counts shown nodes when the node's children are shown.
    bool Check(PVirtualNode node, bool childrenShown) {
        uint32_t count = 0, totalCount = 1;
        uint64_t heights = 0;
        PVirtualNode prev = nullptr;
        for (PVirtualNode child = node->FirstChild; child; child = child->NextSibling) {
            if (child->Parent != node) return Fail("child with a wrong parent", child);
            if (child->PrevSibling != prev) return Fail("asymmetric sibling links", child);
            if (child->Index != count) return Fail("index is not the position", child);
            bool visible = child->States & vsVisible;
            bool shownChild = childrenShown && visible;
            if (shownChild) ++shown;
            if (!Check(child, shownChild && (child->States & vsExpanded))) return false;
            totalCount += child->TotalCount;
            if (visible) heights += child->TotalHeight;
            prev = child;
            ++count;
        }
        if (node->LastChild != prev) return Fail("LastChild is not the last linked child", node);
        if ((node->FirstChild == nullptr) != (prev == nullptr))
            return Fail("FirstChild disagrees", node);
        if (node->ChildCount != count)
            return Fail("ChildCount is not the number of children", node);
        if (node->TotalCount != totalCount) return Fail("TotalCount is wrong", node);
        bool expanded = node->States & vsExpanded;
        uint64_t height = node->NodeHeight + (expanded ? heights : 0);
        if (node->TotalHeight != height)
            return Fail("TotalHeight " + std::to_string(node->TotalHeight) + " instead of " +
                            std::to_string(height),
                        node);
        return true;
    }
};

}  // namespace

std::string CheckStructure(TBaseVirtualTree& tree) {
    Checker checker{tree, {}, 0};
    PVirtualNode root = tree.RootNode();
    if (!checker.Check(root, true)) return checker.error.str();
    if (tree.VisibleCount() != checker.shown)
        return "VisibleCount " + std::to_string(tree.VisibleCount()) + " instead of " +
               std::to_string(checker.shown);
    if (tree.RootNodeCount() != root->ChildCount) return "RootNodeCount disagrees";
    return {};
}

Shape BuildShape(TBaseVirtualTree& tree) {
    Shape s{};
    tree.BeginUpdate();
    s.A = tree.AddChild(nullptr);
    s.A1 = tree.AddChild(s.A);
    s.A2 = tree.AddChild(s.A);
    s.A2a = tree.AddChild(s.A2);
    s.C = tree.AddChild(nullptr);
    s.C1 = tree.AddChild(s.C);
    tree.SetExpanded(s.A, true);
    tree.SetExpanded(s.C, true);
    tree.EndUpdate();
    return s;
}
