#include "DupForm.h"

#include <QPushButton>
#include <QShowEvent>
#include <algorithm>
#include <array>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>

#include "BankModel.h"
#include "BulkForms.h"
#include "ElastFrmQt.h"
#include "EntryList.h"
#include "FormUtils.h"
#include "SelectionCommands.h"
#include "Settings.h"
#include "VirtualStringTree.h"
#include "VirtualTrees.h"
#include "platform/Codec.h"
#include "platform/Messages.h"
#include "platform/qt/Application.h"
#include "platform/qt/ControlHost.h"
#include "ui_DupForm.h"

namespace {

// Room around a caption in the header.
constexpr int CaptionPadding = 12;

constexpr struct {
    const char* Caption;
    int Width;
} DupColumns[] = {{"URL", 200},        {"Name", 150},       {"Category 1", 100},
                  {"Category 2", 100}, {"Category 3", 100}, {" ", 0}};

constexpr TColor GroupColor = 0x00FFFF;  // yellow

// A cell wider than any content, to lay a cell out unclipped.
constexpr int UnboundedWidth = 1 << 28;

}  // namespace

TDupForm::TDupForm(bool majorDomain, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::DupForm>()) {
    ui_->setupUi(this);
    setWindowTitle(windowTitle() + (majorDomain ? "  (On Major Domain)" : "  (On Full URL)"));
    tree_ = std::make_unique<TVirtualStringTree>();
    tree_->Name = "URLTree";
    QWidget* host = HostWidget(*tree_);
    host->setObjectName("URLTree");
    ui_->TreeLayout->addWidget(host);
    groups_ = DuplicateGroups(Bank(), majorDomain);
    BuildTree();
    connect(ui_->DeleteButton, &QPushButton::clicked, this,
            [this] { CallGuarded([&] { DeleteButtonClick(); }); });
    connect(ui_->CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    // The dialog keeps its fonts when it grows.
    auto* elastic = new TElasticFormQt(this);
    elastic->ElasticFont = false;
}

TDupForm::~TDupForm() {
    tree_->Clear();
}

void TDupForm::BuildTree() {
    TVirtualStringTree& t = *tree_;
    t.TreeOptions().SetPaintOptions(
        {toShowButtons, toShowHorzGridLines, toShowRoot, toShowTreeLines, toShowVertGridLines});
    t.TreeOptions().SetMiscOptions(
        {toCheckSupport, toFullRepaintOnResize, toInitOnSave, toToggleOnDblClick, toWheelPanning});
    t.TreeOptions().SetSelectionOptions({toMultiSelect});
    t.SetNodeDataSize(int(sizeof(TDupNodeData)));
    t.Header().SetOptions({hoColumnResize, hoDblClickResize, hoDrag, hoVisible});
    t.Header().Font().SetName("Arial");
    t.Header().Font().SetSize(8);
    for (const auto& c : DupColumns) {
        TVirtualTreeColumn* column = t.Header().Columns().Add();
        column->SetMinWidth(0);
        column->SetWidth(c.Width);
        column->SetText(c.Caption);
    }
    // The bank's Windows-1252 texts become the tree's Unicode text.
    t.OnGetText = [this](TBaseVirtualTree* sender, PVirtualNode node, TColumnIndex column,
                         TVSTTextType textType, std::string& text) {
        const auto* data = sender->GetNodeData<TDupNodeData>(node);
        if (data && textType == ttNormal) text = AnsiToUtf8(CellText(*data, column));
    };
    t.OnBeforeCellPaint = [](TBaseVirtualTree* sender, TCanvas& canvas, PVirtualNode node,
                             TColumnIndex column, TRect cellRect) {
        const auto* data = sender->GetNodeData<TDupNodeData>(node);
        if (data && data->EntryIndex < 0 && column == 0) {
            canvas.Brush().SetColor(GroupColor);
            canvas.FillRect(cellRect);
        }
    };
    t.BeginUpdate();
    for (size_t g = 0; g < groups_.size(); ++g) {
        PVirtualNode root = t.AddChild(nullptr);
        *t.GetNodeData<TDupNodeData>(root) = {int32_t(g), -1};
        for (int index : groups_[g].Indices) {
            PVirtualNode child = t.AddChild(root);
            *t.GetNodeData<TDupNodeData>(child) = {int32_t(g), index};
            t.SetCheckType(child, ctCheckBox);
        }
    }
    t.EndUpdate();
    t.FullExpand();
    wanted_.clear();
    t.OnResize = [this](TObject*) { FitColumns(); };
}

// Each column as wide as its texts and caption, all within the list; an empty list shows the
// table's widths.
std::vector<int> TDupForm::WantedWidths() {
    TVirtualStringTree& t = *tree_;
    std::vector<int> wanted;
    if (t.RootNodeCount() == 0) {
        for (int c = 0; c + 1 < t.Header().Columns().Count(); ++c)
            wanted.push_back(DupColumns[c].Width);
        return wanted;
    }
    TBitmap measure(1, 1);
    measure.Canvas().Font().Assign(t.Header().Font());
    wanted = MaxColumnWidths();
    for (size_t c = 0; c < wanted.size(); ++c)
        wanted[c] =
            std::max(wanted[c], measure.Canvas().TextWidth(DupColumns[c].Caption) + CaptionPadding);
    return wanted;
}

// A cell's text rectangle grows with its text's width, and the rest of its layout depends only
// on the node's level and check box in the main column and not on the node elsewhere: the list
// shows no images and paints every cell in the tree's font. So the node with the widest text of
// each kind gives the widest cell.
//
// Measuring a text shapes it, which costs microseconds: a large bank's list holds hundreds of
// thousands of distinct texts. Each text's width is first estimated from its characters' own
// advances (the sum of what each character takes alone, its longer run's share when that is
// more), and the texts are measured in the order of their estimates, widest first, until no
// estimate left comes near the widest measured: shaping changes a run of text by far less than
// the allowance (kerning and ligatures of these fonts narrow a text by a few percent at most, and
// widen it less).
std::vector<int> TDupForm::MaxColumnWidths() {
    TVirtualStringTree& t = *tree_;
    TVTHeader& header = t.Header();
    TBitmap measure(1, 1);
    TCanvas& canvas = measure.Canvas();
    canvas.Font().Assign(t.Font());
    std::array<double, 256> advance{};
    for (int b = 1; b < 256; ++b) {
        const std::string one(1, char(b)), run(64, char(b));
        advance[size_t(b)] = std::max(double(canvas.TextWidth(one)), canvas.TextWidth(run) / 64.0);
    }
    const auto estimate = [&](std::string_view text) {
        double sum = 0;
        for (unsigned char b : text) sum += advance[b];
        return sum;
    };
    struct TCandidate {
        double Estimate;
        std::string_view Text;
        PVirtualNode Node;
    };
    const size_t count = size_t(std::max(header.Columns().Count() - 1, 0));
    // A cell's text is the tree's text of it (OnGetText) in the bank's encoding, where it stays
    // meanwhile: the texts are told apart there, without copies. By column, then by kind of cell
    // (level and check box in the main column), each distinct text with the first node showing it.
    std::vector<std::map<uint64_t, std::unordered_map<std::string_view, TCandidate>>> texts(count);
    for (PVirtualNode run = t.GetFirstVisible(); run; run = t.GetNextVisible(run)) {
        const auto* data = t.GetNodeData<TDupNodeData>(run);
        if (!data) continue;
        for (size_t c = 0; c < count; ++c) {
            const uint64_t kind =
                int(c) == header.MainColumn()
                    ? uint64_t(t.GetNodeLevel(run)) * 2 + (t.CheckType(run) != ctNone ? 1 : 0)
                    : 0;
            const std::string_view text = CellText(*data, int(c));
            auto& distinct = texts[c][kind];
            if (distinct.empty()) distinct.reserve(size_t(t.VisibleCount()));
            distinct.try_emplace(text, TCandidate{-1, text, run});
        }
    }
    std::vector<int> out(count, 0);
    std::vector<TCandidate> order;
    for (size_t c = 0; c < count; ++c) {
        const bool rtl = header.UseColumns() ? header.ColumnIsRightToLeft(int(c))
                                             : t.BiDiMode() != bdLeftToRight;
        for (auto& [kind, distinct] : texts[c]) {
            order.clear();
            order.reserve(distinct.size());
            for (auto& [text, candidate] : distinct) {
                candidate.Estimate = estimate(text);
                order.push_back(candidate);
            }
            std::sort(order.begin(), order.end(), [](const TCandidate& a, const TCandidate& b) {
                return a.Estimate > b.Estimate;
            });
            int widest = -1;
            PVirtualNode node = nullptr;
            for (const TCandidate& candidate : order) {
                const double text = widest - 2.0 * t.TextMargin();
                if (node && candidate.Estimate * 1.05 + 8 < text) break;
                const int width = t.CalculateTextWidth(canvas, candidate.Node,
                                                       AnsiToUtf8(candidate.Text), int(c));
                if (width > widest) widest = width, node = candidate.Node;
            }
            if (!node) continue;
            const TRect cell =
                t.LayoutCell(node, int(c), {0, 0, UnboundedWidth, int(node->NodeHeight)}, true)
                    .Text;
            out[c] = std::max(out[c], (rtl ? UnboundedWidth - cell.Left : cell.Right) + t.Margin());
        }
    }
    return out;
}

void TDupForm::FitColumns() {
    if (fitting_) return;
    if (wanted_.empty()) wanted_ = WantedWidths();
    TVirtualStringTree& t = *tree_;
    TVirtualTreeColumns& columns = t.Header().Columns();
    fitting_ = true;
    // When the widths set change the list's width (a scroll bar comes or goes), the columns
    // share the new width.
    for (int pass = 0; pass < 2; ++pass) {
        const int available = t.ClientWidth();
        const std::vector<int> widths = FitColumnWidths(wanted_, available);
        for (size_t c = 0; c < widths.size(); ++c) columns[int(c)].SetWidth(widths[c]);
        if (t.ClientWidth() == available) break;
    }
    fitting_ = false;
}

const std::string& TDupForm::CellText(const TDupNodeData& data, int column) const {
    return DuplicateCellText(Bank(), groups_, data.Group, data.EntryIndex, column);
}

std::vector<int> TDupForm::CheckedEntries() const {
    std::vector<int> out;
    TBaseVirtualTree& t = *tree_;
    for (PVirtualNode root = t.GetFirstChild(nullptr); root; root = t.GetNextSibling(root))
        for (PVirtualNode child = t.GetFirstChild(root); child; child = t.GetNextSibling(child))
            if (t.CheckState(child) == csCheckedNormal || t.CheckState(child) == csCheckedPressed)
                if (const auto* data = t.GetNodeData<TDupNodeData>(child))
                    out.push_back(data->EntryIndex);
    std::sort(out.begin(), out.end());
    return out;
}

void TDupForm::DeleteButtonClick() {
    const std::vector<int> indices = CheckedEntries();
    if (DeleteEntriesConfirmed(Bank(), Settings(), indices)) accept();
}

void TDupForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;
    CenterOverForm(this, parentWidget() ? parentWidget()->window() : MainWindowWidget());
    FitColumns();
}
