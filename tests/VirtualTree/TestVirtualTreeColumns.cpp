// The column model: defaults, clamping, positions, hiding, hit tests, auto-size, assignment,
// deletion, and the widths a tree reports before its window exists.
#include "HeaderTestSupport.h"
#include "TreeTestSupport.h"

#include <algorithm>
#include <numeric>

namespace {

std::vector<TColumnIndex> Positions(TVirtualTreeColumns& columns) {
    std::vector<TColumnIndex> out;
    for (int i = 0; i < columns.Count(); ++i) out.push_back(columns[i].Position());
    return out;
}

}  // namespace

TEST(VirtualTreeColumns, NewColumnDefaultsAndMainColumn) {
    HeaderFixture f;
    EXPECT_EQ(f.header.MainColumn(), NoColumn);
    TVirtualTreeColumn& first = *f.header.Columns().Add();
    EXPECT_EQ(f.header.MainColumn(), 0);
    EXPECT_EQ(first.Width(), 50);
    EXPECT_EQ(first.MinWidth(), 10);
    EXPECT_EQ(first.MaxWidth(), 10000);
    EXPECT_EQ(first.Margin(), 4);
    EXPECT_EQ(first.Spacing(), 4);
    EXPECT_EQ(first.ImageIndex(), -1);
    EXPECT_EQ(first.LastWidth(), 50);
    EXPECT_EQ(first.Options(), DefaultColumnOptions);
    EXPECT_EQ(first.Color(), f.owner.color);
    TVirtualTreeColumn& second = *f.header.Columns().Add();
    EXPECT_EQ(first.Position(), 0);
    EXPECT_EQ(second.Position(), 1);
    EXPECT_EQ(second.Left(), 50);
}

TEST(VirtualTreeColumns, WidthLimitsClampAndResizeFiresOncePerChange) {
    HeaderFixture f({50});
    TVirtualTreeColumn& c = f.Column(0);
    c.SetWidth(5);
    EXPECT_EQ(c.Width(), 10);
    EXPECT_EQ(c.LastWidth(), 50);
    EXPECT_EQ(f.owner.Take(), std::vector<std::string>{"ColumnResize(0)"});
    c.SetWidth(3);  // clamps to the width it has: no change, no event
    EXPECT_TRUE(f.owner.Take().empty());
    c.SetMaxWidth(20000);
    EXPECT_EQ(c.MaxWidth(), 10000);
    c.SetMinWidth(-3);
    EXPECT_EQ(c.MinWidth(), 0);
    c.SetWidth(50);
    c.SetMaxWidth(40);
    EXPECT_EQ(c.Width(), 40);
    EXPECT_EQ(c.LastWidth(), 50);
    // MaxWidth never drops below MinWidth; the width stays inside both.
    c.SetMinWidth(30);
    c.SetMaxWidth(20);
    EXPECT_EQ(c.MaxWidth(), 30);
    EXPECT_EQ(c.Width(), 30);
    c.SetMaxWidth(-5);
    EXPECT_EQ(c.MaxWidth(), 30);
    c.SetMinWidth(100);
    EXPECT_EQ(c.MinWidth(), 30);  // capped at MaxWidth
}

TEST(VirtualTreeColumns, PositionsMoveThroughThePositionArray) {
    HeaderFixture f({100, 150, 200});
    TVirtualTreeColumns& columns = f.header.Columns();
    f.Column(0).SetPosition(2);
    EXPECT_EQ(columns.PositionToIndex(), (std::vector<TColumnIndex>{1, 2, 0}));
    EXPECT_EQ(Positions(columns), (std::vector<TColumnIndex>{2, 0, 1}));
    EXPECT_EQ(f.Column(0).Left(), 350);
    EXPECT_EQ(f.Column(1).Left(), 0);
    EXPECT_EQ(f.Column(2).Left(), 150);
    EXPECT_EQ(columns.TotalWidth(), 450);
    EXPECT_EQ(f.owner.Count("CancelEdit"), 1);
    f.Column(1).SetPosition(99);
    EXPECT_EQ(f.Column(1).Position(), 2);
    f.Column(1).SetPosition(-4);
    EXPECT_EQ(f.Column(1).Position(), 0);
    EXPECT_EQ(columns.PositionToIndex(), (std::vector<TColumnIndex>{1, 2, 0}));
}

TEST(VirtualTreeColumns, HiddenColumnsKeepTheirPositionButNoWidth) {
    HeaderFixture f({100, 150, 200});
    TVirtualTreeColumns& columns = f.header.Columns();
    f.Column(0).SetPosition(2);
    f.Column(2).SetOptions(f.Column(2).Options() - coVisible);
    EXPECT_EQ(f.Column(2).Position(), 1);
    EXPECT_EQ(f.Column(0).Left(), 150);
    EXPECT_EQ(columns.TotalWidth(), 250);
    EXPECT_EQ(columns.GetVisibleColumns(), (std::vector<TColumnIndex>{1, 0}));
    EXPECT_EQ(columns.GetNextVisibleColumn(1), 0);
    EXPECT_EQ(columns.GetNextVisibleColumn(0), InvalidColumn);
    EXPECT_EQ(columns.GetPreviousVisibleColumn(0), 1);
    EXPECT_EQ(columns.GetFirstVisibleColumn(), 1);
    EXPECT_EQ(columns.GetLastVisibleColumn(), 0);
    EXPECT_EQ(columns.GetNextColumn(1), 2);
    EXPECT_EQ(columns.GetPreviousColumn(1), InvalidColumn);
    EXPECT_EQ(columns.GetNextVisibleColumn(7), InvalidColumn);
}

TEST(VirtualTreeColumns, HitTestsTakeLeftEdgesAndLeaveRightEdges) {
    HeaderFixture f({100, 150, 200});
    TVirtualTreeColumns& columns = f.header.Columns();
    int left = 0, right = 0;
    EXPECT_EQ(columns.GetColumnAndBounds({0, 5}, left, right), 0);
    EXPECT_EQ(columns.GetColumnAndBounds({99, 5}, left, right), 0);
    EXPECT_EQ(columns.GetColumnAndBounds({100, 5}, left, right), 1);
    EXPECT_EQ(left, 100);
    EXPECT_EQ(right, 250);
    EXPECT_EQ(columns.GetColumnAndBounds({449, 5}, left, right), 2);
    EXPECT_EQ(columns.GetColumnAndBounds({450, 5}, left, right), InvalidColumn);
    f.owner.offsetX = -50;
    EXPECT_EQ(columns.GetColumnAndBounds({60, 5}, left, right), 1);
    EXPECT_EQ(columns.GetColumnAndBounds({60, 5}, left, right, false), 0);
    columns.GetColumnBounds(1, left, right);
    EXPECT_EQ(left, 50);
    EXPECT_EQ(right, 200);
    columns.GetColumnBounds(NoColumn, left, right);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right, 500);
    f.owner.offsetX = 0;
    EXPECT_EQ(columns.ColumnFromPosition({10, -8}), 0);
    EXPECT_EQ(columns.ColumnFromPosition({10, 120}), 0);
    EXPECT_EQ(columns.ColumnFromPosition({10, -18}), InvalidColumn);  // above the header
    EXPECT_EQ(columns.ColumnFromPosition({10, 300}), InvalidColumn);  // below the tree
    EXPECT_EQ(columns.ColumnFromPosition({-1, 5}), InvalidColumn);
}

TEST(VirtualTreeColumns, AutoSizeColumnTakesTheRestOfTheClientWidth) {
    HeaderFixture f({100, 150, 50});
    f.header.SetAutoSizeIndex(2);
    f.header.SetOptions(f.header.Options() + hoAutoResize);
    EXPECT_EQ(f.Column(2).Width(), 250);
    f.owner.Take();
    f.Column(0).SetWidth(150);
    EXPECT_EQ(f.Column(2).Width(), 200);
    EXPECT_EQ(f.owner.Take(), (std::vector<std::string>{"ColumnResize(2)", "ColumnResize(0)"}));
    f.Column(2).SetWidth(300);  // computed, never set
    EXPECT_EQ(f.Column(2).Width(), 200);
    EXPECT_TRUE(f.owner.Take().empty());
    f.Column(2).SetMaxWidth(180);
    EXPECT_EQ(f.Column(2).Width(), 180);
    f.Column(1).SetWidth(100);
    EXPECT_EQ(f.Column(2).Width(), 180);
}

TEST(VirtualTreeColumns, AssignGoesThroughTheSettersSoParentColorComesBack) {
    HeaderFixture f({100, 150});
    f.owner.color = RGBColor(1, 2, 3);
    TVirtualTreeColumn& source = f.Column(0);
    TVirtualTreeColumn& target = f.Column(1);
    source.SetText("Name");
    source.SetMinWidth(20);
    source.SetAlignment(taRightJustify);
    source.SetOptions(source.Options() - coParentColor);
    source.SetOptions(source.Options() + coParentColor);  // takes the tree's colour
    target.SetColor(RGBColor(9, 9, 9));
    ASSERT_FALSE(target.Options().Contains(coParentColor));
    target.Assign(source);
    EXPECT_TRUE(target.Options().Contains(coParentColor));
    EXPECT_EQ(target.Color(), RGBColor(1, 2, 3));
    EXPECT_EQ(target.Text(), "Name");
    EXPECT_EQ(target.Width(), 100);
    EXPECT_EQ(target.MinWidth(), 20);
    EXPECT_EQ(target.Alignment(), taRightJustify);
    EXPECT_EQ(target.Position(), 0);
    // Parent colour and reading order follow the tree.
    f.owner.color = RGBColor(4, 5, 6);
    f.owner.bidiMode = bdRightToLeft;
    EXPECT_EQ(target.Color(), RGBColor(4, 5, 6));
    EXPECT_TRUE(target.UseRightToLeftReading());
    target.SetBiDiMode(bdLeftToRight);
    EXPECT_FALSE(target.Options().Contains(coParentBidiMode));
    EXPECT_FALSE(target.UseRightToLeftReading());

    // The whole collection copies with its display order.
    HeaderFixture g;
    f.Column(0).SetPosition(1);
    g.header.Columns().Assign(f.header.Columns());
    EXPECT_EQ(g.header.Columns().PositionToIndex(), f.header.Columns().PositionToIndex());
    EXPECT_EQ(g.header.Columns()[0].Text(), "Name");
}

TEST(VirtualTreeColumns, DeletingAColumnKeepsTheDisplayOrderOfTheOthers) {
    for (int victim = 0; victim < 4; ++victim) {
        HeaderFixture f({10, 20, 30, 40});
        f.Column(0).SetPosition(3);  // order 1 2 3 0
        f.Column(2).SetPosition(0);  // order 2 1 3 0
        std::vector<int> expectWidths;
        for (TColumnIndex index : f.header.Columns().PositionToIndex())
            if (index != victim) expectWidths.push_back(f.Column(index).Width());
        f.header.Columns().Delete(victim);
        std::vector<TColumnIndex> array = f.header.Columns().PositionToIndex();
        std::vector<TColumnIndex> sorted = array;
        std::sort(sorted.begin(), sorted.end());
        std::vector<TColumnIndex> all(3);
        std::iota(all.begin(), all.end(), 0);
        EXPECT_EQ(sorted, all) << "victim " << victim;
        std::vector<int> widths;
        for (TColumnIndex index : array) widths.push_back(f.Column(index).Width());
        EXPECT_EQ(widths, expectWidths) << "victim " << victim;
        EXPECT_EQ(f.header.Columns().TotalWidth(), 100 - (victim + 1) * 10);
    }
}

TEST(VirtualTreeColumns, WidthsSetBeforeTheWindowExistsFireNoResizeEvent) {
    TestTree tree;
    std::vector<TColumnIndex> resized;
    tree.OnColumnResize = [&](TVTHeader*, TColumnIndex column) { resized.push_back(column); };
    TVirtualTreeColumns& columns = tree.Header().Columns();
    for (int i = 0; i < 3; ++i) columns.Add();
    columns[0].SetWidth(120);  // as a window's start-up restores saved widths
    columns[2].SetWidth(80);
    EXPECT_TRUE(resized.empty());
    EXPECT_EQ(columns[0].Width(), 120);
    tree.SetClientSize(400, 200);
    columns[1].SetWidth(70);
    EXPECT_EQ(resized, std::vector<TColumnIndex>{1});
}

TEST(VirtualTreeColumns, MaxColumnWidthCountsMarginsIndentAndContent) {
    TestTree tree;
    tree.nodeWidth = 120;
    TVirtualTreeColumns& columns = tree.Header().Columns();
    columns.Add();
    columns.Add();
    TVTHeaderOwner& owner = tree.Header().Owner();
    EXPECT_EQ(owner.GetMaxColumnWidth(0), 0);  // empty tree
    PVirtualNode top = tree.AddChild(nullptr);
    EXPECT_EQ(owner.GetMaxColumnWidth(0), 8 + 18 + 120);
    tree.AddChild(top);
    tree.SetExpanded(top, true);
    EXPECT_EQ(owner.GetMaxColumnWidth(0), 8 + 36 + 120);
    EXPECT_EQ(owner.GetMaxColumnWidth(1), 8 + 120);
}

TEST(VirtualTreeColumns, RestoreLastWidthGoesBackToThePreviousWidth) {
    HeaderFixture f({50});
    TVirtualTreeColumn& c = f.Column(0);
    c.SetWidth(80);
    c.RestoreLastWidth();
    f.header.Columns().FinishAnimatedResize();  // the owner's timers do not tick
    EXPECT_EQ(c.Width(), 50);
    EXPECT_EQ(c.LastWidth(), 80);
    c.SetTag(7);
    EXPECT_EQ(c.Tag(), 7);
}
