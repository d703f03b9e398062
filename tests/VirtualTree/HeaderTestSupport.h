// A header owner without a tree: it records what the header and its columns ask of the tree,
// so the column model and the header's mouse handling run without a window.
#pragma once

#include "VirtualTreesHeader.h"

#include <functional>
#include <set>
#include <string>
#include <vector>

class FakeHeaderOwner : public TVTHeaderOwner {
public:
    bool loading = false;
    bool windowExists = true;
    bool enabled = true;
    bool themes = false;
    int clientWidth = 500;
    int clientHeight = 300;
    int offsetX = 0;
    TColor color = clWindow;
    TBiDiMode bidiMode = bdLeftToRight;
    TRect window{-2, -19, 502, 302};
    int stripHeight = 0;
    bool capture = false;
    std::set<int> timers;
    TCursor cursor = crDefault;
    int invalidations = 0;
    std::function<int(TColumnIndex)> maxColumnWidth = [](TColumnIndex) { return 0; };
    std::function<bool(TColumnIndex)> allowDrag = [](TColumnIndex) { return true; };
    std::vector<std::string> events;

    std::vector<std::string> Take() {
        std::vector<std::string> out;
        out.swap(events);
        return out;
    }
    int Count(const std::string& prefix) const {
        int n = 0;
        for (const std::string& e : events)
            if (e.rfind(prefix, 0) == 0) ++n;
        return n;
    }

    TBaseVirtualTree* Tree() const override { return nullptr; }
    bool Loading() const override { return loading; }
    bool WindowExists() const override { return windowExists; }
    bool Enabled() const override { return enabled; }
    bool UseThemes() const override { return themes; }
    int ClientWidth() const override { return clientWidth; }
    int ClientHeight() const override { return clientHeight; }
    int OffsetX() const override { return offsetX; }
    TColor TreeColor() const override { return color; }
    TBiDiMode TreeBiDiMode() const override { return bidiMode; }
    TRect WindowRect() const override { return window; }
    TRect HeaderStripRect() const override { return {0, -stripHeight, clientWidth, 0}; }
    void HeaderHeightChanged(int visibleHeight) override { stripHeight = visibleHeight; }
    void InvalidateArea(const TRect&) override { ++invalidations; }
    void InvalidateTree() override { ++invalidations; }
    void UpdateWindow() override {}
    void UpdateHorizontalScrollBar() override {}
    void SetMouseCapture(bool on) override { capture = on; }
    void SetTimer(int id, unsigned) override { timers.insert(id); }
    void KillTimer(int id) override { timers.erase(id); }
    void SetHeaderCursor(TCursor c) override { cursor = c; }
    void ShowPopupMenu(TPopupMenu&, TPoint) override { events.push_back("Popup"); }
    void HeaderPressStarting() override {}
    void CancelHint() override {}
    void CancelEdit() override { events.push_back("CancelEdit"); }
    void MainColumnChanged() override { events.push_back("MainColumnChanged"); }
    void SortChanged() override { events.push_back("SortChanged"); }
    int GetMaxColumnWidth(TColumnIndex column) override { return maxColumnWidth(column); }

    static const char* Button(TMouseButton b) {
        return b == mbLeft ? "left" : b == mbRight ? "right" : "middle";
    }
    void DoColumnResize(TColumnIndex column) override {
        events.push_back("ColumnResize(" + std::to_string(column) + ")");
    }
    void DoHeaderClick(TColumnIndex column, TMouseButton button, TShiftState, int, int) override {
        events.push_back("HeaderClick(" + std::to_string(column) + "," + Button(button) + ")");
    }
    void DoHeaderDblClick(TColumnIndex column, TMouseButton button, TShiftState, int,
                          int) override {
        events.push_back("HeaderDblClick(" + std::to_string(column) + "," + Button(button) + ")");
    }
    void DoHeaderMouseDown(TMouseButton button, TShiftState, int, int) override {
        events.push_back(std::string("MouseDown(") + Button(button) + ")");
    }
    void DoHeaderMouseUp(TMouseButton button, TShiftState, int, int) override {
        events.push_back(std::string("MouseUp(") + Button(button) + ")");
    }
    void DoHeaderMouseMove(TShiftState, int, int) override {}
    bool DoHeaderDragging(TColumnIndex column) override {
        events.push_back("Dragging(" + std::to_string(column) + ")");
        return allowDrag(column);
    }
    void DoHeaderDragged(TColumnIndex column, int oldPosition) override {
        events.push_back("Dragged(" + std::to_string(column) + "," + std::to_string(oldPosition) +
                         ")");
    }
    bool DoHeaderDraw(TCanvas&, TColumnIndex, const TRect&, bool, bool, TVTDropMarkMode) override {
        return false;
    }
};

// A header over a fake owner with columns of the given widths (index order), visible.
struct HeaderFixture {
    FakeHeaderOwner owner;
    TVTHeader header{owner};

    explicit HeaderFixture(std::vector<int> widths = {}) {
        header.SetOptions(header.Options() + hoVisible);
        for (int width : widths) header.Columns().Add()->SetWidth(width);
        owner.Take();
    }
    TVirtualTreeColumn& Column(int index) { return header.Columns().Items(index); }

    bool Send(TMouseAction action, int x, int y = -8, TMouseButton button = mbLeft,
              TShiftState shift = 0) {
        TMouseMessage m;
        m.Action = action;
        m.Button = button;
        m.Shift = shift;
        m.Pos = {x, y};
        m.InHeaderStrip = y < 0 && y >= -header.VisibleHeight();
        return header.HandleMessage(m);
    }
    void Press(int x, int y = -8, TMouseButton b = mbLeft) { Send(TMouseAction::Down, x, y, b); }
    void Move(int x, int y = -8) { Send(TMouseAction::Move, x, y); }
    void Release(int x, int y = -8, TMouseButton b = mbLeft) { Send(TMouseAction::Up, x, y, b); }
    void DoubleClick(int x, int y = -8, TMouseButton b = mbLeft) {
        Send(TMouseAction::DoubleClick, x, y, b, ssDouble);
    }
};
