#include "DupForm.h"

#include <QPushButton>
#include <QShowEvent>
#include <algorithm>

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
    t.OnResize = [this](TObject*) { FitColumns(); };
}

// Each column as wide as its texts and caption, all within the list; an empty list shows the
// table's widths.
void TDupForm::FitColumns() {
    TVirtualStringTree& t = *tree_;
    TBitmap measure(1, 1);
    measure.Canvas().Font().Assign(t.Header().Font());
    TVirtualTreeColumns& columns = t.Header().Columns();
    const bool empty = t.RootNodeCount() == 0;
    std::vector<int> wanted;
    for (int c = 0; c + 1 < columns.Count(); ++c)
        wanted.push_back(
            empty ? DupColumns[c].Width
                  : std::max(t.GetMaxColumnWidth(c),
                             measure.Canvas().TextWidth(DupColumns[c].Caption) + CaptionPadding));
    const std::vector<int> widths = FitColumnWidths(wanted, t.ClientWidth());
    for (size_t c = 0; c < widths.size(); ++c) columns[int(c)].SetWidth(widths[c]);
}

std::string TDupForm::CellText(const TDupNodeData& data, int column) const {
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
