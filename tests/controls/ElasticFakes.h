// Fake controls, form host and placement store for driving the resizer without a display.
#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "ElastFrm.h"
#include "PlacementStore.h"

class FakeWidths : public TElasticWidths {
public:
    explicit FakeWidths(std::vector<int> w) : widths(std::move(w)) {}
    int Count() const override { return int(widths.size()); }
    int Width(int i) const override { return widths[size_t(i)]; }
    void SetWidth(int i, int w) override { widths[size_t(i)] = w; }
    std::vector<int> widths;
};

class FakeToolBar : public TElasticToolBar {
public:
    int ButtonWidth() const override { return width; }
    int ButtonHeight() const override { return height; }
    void SetButtonSize(int w, int h) override {
        width = w;
        height = h;
    }
    int width = 23, height = 22;
};

class FakeGrid : public TElasticGrid {
public:
    int ColCount() const override { return int(cols.size()); }
    int RowCount() const override { return int(rows.size()); }
    int DefaultColWidth() const override { return defaultCol; }
    void SetDefaultColWidth(int w) override { defaultCol = w; }
    int DefaultRowHeight() const override { return defaultRow; }
    void SetDefaultRowHeight(int h) override { defaultRow = h; }
    int ColWidth(int c) const override { return cols[size_t(c)]; }
    void SetColWidth(int c, int w) override { cols[size_t(c)] = w; }
    int RowHeight(int r) const override { return rows[size_t(r)]; }
    void SetRowHeight(int r, int h) override { rows[size_t(r)] = h; }
    int TextHeight1() const override { return textHeight; }
    std::vector<int> cols, rows;
    int defaultCol = 64, defaultRow = 24, textHeight = 16;
};

class FakeControl : public TElasticControl {
public:
    FakeControl(std::string n, TControlBounds b, bool d = true, TAlign a = TAlign::alNone)
        : name(std::move(n)), bounds(b), direct(d), align(a) {}
    TControlKey Key() const override { return this; }
    std::string Name() const override { return name; }
    bool IsDirect() const override { return direct; }
    TAlign Align() const override { return align; }
    TControlBounds Bounds() const override { return bounds; }
    void SetBounds(const TControlBounds& b) override {
        bounds = b;
        ++setBoundsCalls;
    }
    bool Visible() const override { return visible; }
    void SetVisible(bool v) override { visible = v; }
    int FontHeight() const override { return fontHeight; }
    void SetFontHeight(int h) override { fontHeight = h; }
    bool ParentFont() const override { return parentFont; }
    void SetParentFont(bool p) override { parentFont = p; }
    std::vector<TFont*> ExtraFonts() override { return extraFonts; }
    TFont* TitleFont() override { return titleFont; }
    TElasticWidths* StatusPanels() override { return panels.get(); }
    TElasticWidths* Sections() override { return sections.get(); }
    TElasticToolBar* ToolBar() override { return toolBar.get(); }
    TElasticGrid* Grid() override { return grid.get(); }
    bool IsLabel() const override { return label; }
    void AdjustSize() override {
        ++adjusted;
        bounds.Width = hintWidth;
        bounds.Height = hintHeight;
    }

    std::string name;
    TControlBounds bounds;
    bool direct;
    TAlign align;
    bool visible = true;
    int fontHeight = -11;
    bool parentFont = false;
    std::vector<TFont*> extraFonts;
    TFont* titleFont = nullptr;
    std::unique_ptr<FakeWidths> panels, sections;
    std::unique_ptr<FakeToolBar> toolBar;
    std::unique_ptr<FakeGrid> grid;
    bool label = false;
    int adjusted = 0, hintWidth = 0, hintHeight = 0, setBoundsCalls = 0;
};

class FakeHost : public TElasticHost {
public:
    FakeHost(std::string n = "Form1", TControlBounds b = {0, 0, 400, 300})
        : name(std::move(n)), bounds(b) {}

    FakeControl* Add(const std::string& n, TControlBounds b, bool direct = true,
                     TAlign a = TAlign::alNone) {
        auto c = std::make_unique<FakeControl>(n, b, direct, a);
        FakeControl* raw = c.get();
        controls.push_back(raw);
        pending.push_back(std::move(c));
        return raw;
    }

    bool IsForm() const override { return isForm; }
    const void* FormKey() const override { return this; }
    std::string FormName() const override { return name; }
    TControlBounds Bounds() const override { return bounds; }
    TControlBounds NormalBounds() const override { return maximised ? normal : bounds; }
    void SetBounds(const TControlBounds& b, bool move) override {
        TControlBounds old = bounds;
        bounds = b;
        if (!move) {
            bounds.Left = old.Left;
            bounds.Top = old.Top;
        }
        ++setBoundsCalls;
    }
    bool Positioned() const override { return positioned; }
    TFormPosition Position() const override { return position; }
    bool IsMaximized() const override { return maximised; }
    void ShowMaximized() override {
        normal = bounds;
        maximised = true;
        ++maximiseCalls;
    }
    void SetSizeLimits(int a, int b, int c, int d) override { limits = {a, b, c, d}; }
    void SetUpdatesEnabled(bool e) override { updatesEnabled = e; }
    int FormFontHeight() const override { return fontHeight; }
    void SetFormFontHeight(int h) override { fontHeight = h; }
    std::vector<std::unique_ptr<TElasticControl>> CollectControls() override {
        std::vector<std::unique_ptr<TElasticControl>> out;
        for (auto& c : pending) out.push_back(std::move(c));
        pending.clear();
        return out;
    }
    bool IsMember(TControlKey k) const override {
        for (FakeControl* c : controls)
            if (c == k) return true;
        return false;
    }
    std::string ControlName(TControlKey k) const override {
        return k ? static_cast<const FakeControl*>(k)->name : std::string();
    }
    void SetControlParentFont(TControlKey k, bool p) override {
        if (IsMember(k))
            const_cast<FakeControl*>(static_cast<const FakeControl*>(k))->parentFont = p;
    }
    std::string ActiveControlName() const override { return active; }
    void FocusControl(const std::string& n) override {
        active = n;
        focused.push_back(n);
    }
    void RestartSettleTimer() override { ++settleRestarts; }

    void Resize(int w, int h) {
        bounds.Width = w;
        bounds.Height = h;
    }

    std::string name;
    TControlBounds bounds, normal;
    bool isForm = true, maximised = false, positioned = true, updatesEnabled = true;
    TFormPosition position = TFormPosition::poDesigned;
    int fontHeight = -11, setBoundsCalls = 0, maximiseCalls = 0, settleRestarts = 0;
    std::vector<int> limits;
    std::string active;
    std::vector<std::string> focused;
    std::vector<FakeControl*> controls;
    std::vector<std::unique_ptr<TElasticControl>> pending;
};

class MemoryStore : public TPlacementStore {
public:
    using Value = std::variant<int, double, bool>;
    bool SectionExists(const std::string& s) override { return data.count(s) != 0; }
    int ReadInteger(const std::string& s, const std::string& n, int f) override {
        return Read<int>(s, n, f);
    }
    void WriteInteger(const std::string& s, const std::string& n, int v) override {
        Write(s, n, v);
    }
    double ReadFloat(const std::string& s, const std::string& n, double f) override {
        return Read<double>(s, n, f);
    }
    void WriteFloat(const std::string& s, const std::string& n, double v) override {
        Write(s, n, v);
    }
    bool ReadBool(const std::string& s, const std::string& n, bool f) override {
        return Read<bool>(s, n, f);
    }
    void WriteBool(const std::string& s, const std::string& n, bool v) override { Write(s, n, v); }
    void Commit() override { ++commits; }

    bool Has(const std::string& s, const std::string& n) const {
        auto i = data.find(s);
        return i != data.end() && i->second.count(n);
    }
    template <class T>
    T Get(const std::string& s, const std::string& n) const {
        return std::get<T>(data.at(s).at(n));
    }

    std::map<std::string, std::map<std::string, Value>> data;
    int commits = 0;
    bool failWrites = false;

private:
    template <class T>
    T Read(const std::string& s, const std::string& n, T fallback) {
        auto i = data.find(s);
        if (i == data.end()) return fallback;
        auto j = i->second.find(n);
        if (j == i->second.end() || !std::holds_alternative<T>(j->second)) return fallback;
        return std::get<T>(j->second);
    }
    void Write(const std::string& s, const std::string& n, Value v) {
        if (failWrites) throw std::runtime_error("read-only configuration");
        data[s][n] = v;
    }
};
