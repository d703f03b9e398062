// The main window: creation, the tree's handlers, the window's events and the File, Help and
// launching commands; every menu command and tool button is bound here.
#include "MainForm.h"

#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLabel>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QWindowStateChangeEvent>

#include <algorithm>
#include <cmath>
#include <memory>

#include "AboutBox.h"
#include "AdminSaveForm.h"
#include "AppSeams.h"
#include "Artwork.h"
#include "BankCommands.h"
#include "BankFile.h"
#include "BankModel.h"
#include "BrowserSelectionForm.h"
#include "DesktopLauncher.h"
#include "DropTargetQt.h"
#include "DropURLTarget.h"
#include "ElastFrmQt.h"
#include "ExportSeams.h"
#include "FormUtils.h"
#include "HelpKey.h"
#include "HelpManual.h"
#include "Launch.h"
#include "MainTree.h"
#include "PanelTree.h"
#include "PasswordDlg.h"
#include "ResStrings.h"
#include "Settings.h"
#include "VirtualStringTree.h"
#include "VirtualTrees.h"
#include "platform/FileUtils.h"
#include "platform/Help.h"
#include "platform/ImageList.h"
#include "platform/Messages.h"
#include "platform/ThemeServices.h"
#include "platform/qt/Application.h"
#include "platform/qt/ControlHost.h"
#include "ui_MainForm.h"

namespace {

constexpr int FileStampInterval = 60000;
constexpr uint16_t VK_RETURN_KEY = 13;

void AddPixmap(TCustomImageList& list, const QPixmap& pixmap) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    pixmap.save(&buffer, "PNG");
    list.AddFromData(bytes.constData(), size_t(bytes.size()));
}

}  // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent), ui_(new Ui::MainForm) {
    ui_->setupUi(this);
    setWindowIcon(QIcon(ProgramPixmap(32)));
    statusLabel_ = new QLabel(ui_->StatusBar1);
    statusLabel_->setObjectName("StatusText");
    ui_->StatusBar1->addWidget(statusLabel_, 1);
    for (QAction* action : ui_->ToolBar1->actions())
        if (!action->isSeparator()) action->setIcon(ToolIcon(action->objectName()));

    vst_ = std::make_unique<TVirtualStringTree>();
    vst_->Name = "VST";
    QWidget* host = HostWidget(*vst_);
    host->setObjectName("VST");
    ui_->CentralLayout->addWidget(host);
    treeImages_ = std::make_unique<TCustomImageList>(nullptr, 16, 16);
    // Drawn with the screen's own pixels (24 for 16 points at a scale of 1.5), so that a scaled
    // screen shows them sharp: images of more pixels would be scaled down, and soft.
    const int pixels = DevicePixels(16, ScreenPixelRatio());
    treeImages_->SetDevicePixelRatio(pixels / 16.0);
    for (int level = 1; level <= 3; ++level) AddPixmap(*treeImages_, FolderPixmap(level, pixels));
    fileStampCheck_ = new QTimer(this);
    fileStampCheck_->setObjectName("FileStampCheck");
    dropTarget_ = std::make_unique<TDropURLTarget>();

    FormCreate();
    ConnectCommands();
    FillSeams();
}

TMainForm::~TMainForm() {
    // FormDestroy: the drop target lets go of the window; the seams stop reaching it.
    if (dropTarget_->Registered()) dropTarget_->Unregister();
    ResetSeams();
    ResetExportSeams();
    SetHelpHandler(nullptr);
    vst_->Clear();
    vst_.reset();
}

TAdminSaveForm& TMainForm::AdminSaveForm() {
    if (!adminSaveForm_) adminSaveForm_ = new TAdminSaveForm(this);
    return *adminSaveForm_;
}

TPasswordDlg& TMainForm::PasswordDlg() {
    if (!passwordDlg_) passwordDlg_ = new TPasswordDlg(this);
    return *passwordDlg_;
}

void TMainForm::FormCreate() {
    // Settings; column 0 always shows field 0.
    LoadSettings();
    NormalizeColumnTable(Settings());
    // The tree, its header and columns.
    ConfigureTree();
    // The smallest size the window may take, by screen width.
    elastic_ = new TElasticFormQt(this);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const auto [minW, minH] = MinimumTrackSize(screen ? screen->geometry().width() : 0);
    elastic_->SetMinimumTrackWidth(minW);
    elastic_->SetMinimumTrackHeight(minH);
    // No bank.
    ResetBank();
    ResetBankCommands();
    TBankState& bank = Bank();
    // Until a bank is open the window carries the program's name.
    setWindowTitle(ToQString(std::string(ResAppTitle)));
    QFont statusFont("Arial", 9);
    ui_->StatusBar1->setFont(statusFont);
    statusLabel_->clear();
    // The application's activation.
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        CallGuarded([&] {
            if (s == Qt::ApplicationActive)
                AppActivate();
            else if (s == Qt::ApplicationInactive)
                AppDeactivate();
        });
    });
    // Folders; the help manual is looked for beside the program when it is asked for.
    bank.BankFileName.clear();
    bank.ProgramFolder = ProgramFolder();
    bank.BankFolder.clear();
    // The workgroup commands and the user's validation.
    UpdateLoadWorkgroup();
    bank.WorkgroupFileTime = 0;
    ResetUserValidation();
    // The resizer: no resolution or font scaling; tool bar and status bar keep their size.
    elastic_->ResolutionIndependence = false;
    elastic_->ElasticFont = false;
    elastic_->ExcludeFromResizing(ui_->ToolBar1);
    elastic_->ExcludeFromResizing(ui_->StatusBar1);
    elastic_->ElFrmIniFile = "Software\\PellTech\\Lorvane";
    elastic_->OnAfterResize = [this](TObject*) { ElasticForm1AfterResize(); };
    // Links dropped on the window.
    RegisterDropTarget(*dropTarget_, this);
    // Nothing to save yet; the workgroup file check waits for a workgroup bank.
    ui_->SaveBank1->setEnabled(false);
    ui_->SaveAs1->setEnabled(false);
    ui_->tbSaveButton->setEnabled(false);
    bank.NewBank = false;
    fileStampCheck_->setInterval(FileStampInterval);
    fileStampCheck_->stop();
    bank.FilePassword.clear();
}

namespace {

// The widths of the tree's nine columns as the settings keep them.
std::array<int32_t, ColumnCount> TreeColumnWidths(TBaseVirtualTree& tree) {
    std::array<int32_t, ColumnCount> widths{};
    TVirtualTreeColumns& columns = tree.Header().Columns();
    for (int n = 0; n < ColumnCount && n < columns.Count(); ++n)
        widths[size_t(n)] = columns.Items(n).Width();
    return widths;
}

// The columns' display positions from the settings' order (column 0 first).
void ApplyColumnOrder(TBaseVirtualTree& tree) {
    TVirtualTreeColumns& columns = tree.Header().Columns();
    const auto& order = Settings().ColumnOrder;
    for (int p = 0; p < ColumnCount; ++p)
        if (order[size_t(p)] >= 0 && order[size_t(p)] < columns.Count())
            columns.Items(order[size_t(p)]).SetPosition(p);
}

}  // namespace

void TMainForm::ConfigureTree() {
    auto& tree = static_cast<TVirtualStringTree&>(*vst_);
    TCustomVirtualTreeOptions& options = tree.TreeOptions();
    options.SetPaintOptions({toShowButtons, toShowDropmark, toShowHorzGridLines, toShowRoot,
                             toShowTreeLines, toShowVertGridLines, toThemeAware,
                             toUseBlendedImages});
    options.SetMiscOptions(
        {toFullRepaintOnResize, toInitOnSave, toToggleOnDblClick, toWheelPanning});
    ApplyTreeOptions(tree);
    tree.SetDragType(dtForms);
    tree.SetDragOperations({doMove});
    tree.SetDefaultNodeHeight(24);
    tree.SetImages(treeImages_.get());
    tree.SetNodeDataSize(int(sizeof(TTreeNodeData)));
    tree.Header().SetOptions({hoColumnResize, hoDblClickResize, hoDrag, hoVisible});
    TFont headerFont;
    headerFont.SetName("Arial");
    headerFont.SetSize(8);
    headerFont.SetStyle(0);
    tree.Header().SetFont(headerFont);
    ConfigureTreeColumns(tree);
    ConnectTreeCells(tree);
    ConnectTreeFocusAndHeader(tree);
    ConnectTreeInput(tree);
}

// The nine columns from the settings' column table, in its order; column 0 stays first.
void TMainForm::ConfigureTreeColumns(TVirtualStringTree& tree) {
    TVirtualTreeColumns& columns = tree.Header().Columns();
    columns.Clear();
    for (int n = 0; n < ColumnCount; ++n) {
        const TColumnRec& rec = Settings().ColumnTable[size_t(n)];
        TVirtualTreeColumn& column = *columns.Add();
        TVTColumnOptions options{coEnabled, coParentBidiMode, coResizable, coShowDropMark,
                                 coVisible};
        if (n > 0) {
            options.Include(coAllowClick);
            options.Include(coDraggable);
            options.Include(coParentColor);
        }
        column.SetOptions(options);
        column.SetMinWidth(0);
        column.SetWidth(rec.Width);
        const int field = std::clamp<int>(rec.Field, 0, ColumnCount - 1);
        column.SetText(FieldCaptions[size_t(field)]);
    }
    tree.Header().SetMainColumn(0);
    ApplyColumnOrder(tree);
}

// The cells' texts, fonts, images and colours come from the bank.
void TMainForm::ConnectTreeCells(TVirtualStringTree& tree) {
    tree.SetDefaultText(TreeDefaultText);
    SetTreeBeepHandler([] { QApplication::beep(); });
    tree.OnGetText = [](TBaseVirtualTree* sender, PVirtualNode node, TColumnIndex column,
                        TVSTTextType textType, std::string& text) {
        const auto* data = sender->GetNodeData<TTreeNodeData>(node);
        if (data && textType == ttNormal) MainTreeCellText(Bank(), Settings(), *data, column, text);
    };
    tree.OnPaintText = [](TBaseVirtualTree* sender, TCanvas& canvas, PVirtualNode node,
                          TColumnIndex column, TVSTTextType) {
        const auto* data = sender->GetNodeData<TTreeNodeData>(node);
        if (!data) return;
        const TCellFont font = MainTreeCellFont(Bank(), Settings(), *data);
        canvas.Font().SetName(font.Name);
        canvas.Font().SetSize(font.Size);
        canvas.Font().SetStyle(font.Style);
        if (column == 0 && node == sender->FocusedNode())
            canvas.Font().SetColor(
                FocusedTextColor(ColorToRGB(canvas.Brush().Color()), ColorToRGB(clHighlightText)));
        else
            canvas.Font().SetColor(font.Color);
    };
    tree.OnGetImageIndex = [](TBaseVirtualTree* sender, PVirtualNode node, TVTImageKind kind,
                              TColumnIndex column, bool&, int& imageIndex) {
        const auto* data = sender->GetNodeData<TTreeNodeData>(node);
        if (data && (kind == ikNormal || kind == ikSelected))
            imageIndex = MainTreeImageIndex(*data, column);
    };
    tree.OnBeforeCellPaint = [](TBaseVirtualTree* sender, TCanvas& canvas, PVirtualNode node,
                                TColumnIndex column, TRect cellRect) {
        const auto* data = sender->GetNodeData<TTreeNodeData>(node);
        TColor color = 0;
        if (data && MainTreeCellColor(Bank(), Settings(), *data, column, color)) {
            canvas.Brush().SetColor(color);
            canvas.FillRect(cellRect);
        }
    };
}

// Focus follows the focused entry; dragged and resized columns go into the settings.
void TMainForm::ConnectTreeFocusAndHeader(TVirtualStringTree& tree) {
    tree.OnFocusChanged = [](TBaseVirtualTree* sender, PVirtualNode node, TColumnIndex) {
        const auto* data = sender->GetNodeData<TTreeNodeData>(node);
        Bank().FocusedEntry = data && data->Kind == nkEntry ? data->EntryIndex : -1;
    };
    tree.OnFocusChanging = [](TBaseVirtualTree* sender, PVirtualNode, PVirtualNode, TColumnIndex,
                              TColumnIndex, bool& allowed) {
        if (FocusChangeRestoresColumns(InfoPanel(), Seams())) RestoreTreeColumns(*sender);
        allowed = true;
    };
    tree.OnHeaderDragging = [](TVTHeader*, TColumnIndex column, bool& allowed) {
        allowed = HeaderDragAllowed(column);
    };
    tree.OnHeaderDragged = [](TVTHeader* header, TColumnIndex column, int oldPosition) {
        ColumnDragged(Settings(), oldPosition, header->Columns().Items(column).Position());
        // Column 0 keeps position 0: the tree shows the order the settings hold.
        ApplyColumnOrder(*header->Treeview());
    };
    tree.OnColumnResize = [](TVTHeader* header, TColumnIndex) {
        ColumnsResized(Settings(), InfoPanel(), TreeColumnWidths(*header->Treeview()));
    };
}

namespace {

// The row alone is focused and selected; no row leaves nothing focused.
void FocusRow(TBaseVirtualTree& tree, PVirtualNode node) {
    if (node && node == tree.FocusedNode() && tree.Selected(node)) return;
    tree.ClearSelection();
    tree.SetFocusedNode(node);
    if (node) tree.SetSelected(node, true);
}

}  // namespace

void TMainForm::ConnectTreeInput(TVirtualStringTree& tree) {
    // A double click opens the entry of the row under the pointer, which it focuses first; on
    // no row it opens nothing. The press that makes it a double click tells where it was.
    // A right click focuses and selects the row under the pointer before the popup menu opens,
    // so that the menu's commands act on that row; on no row they have no entry to act on.
    auto doubleAt = std::make_shared<TPoint>();
    tree.OnMouseDown = [this, doubleAt](TObject*, TMouseButton button, TShiftState shift, int x,
                                        int y) {
        if (button == mbLeft && (shift & ssDouble)) *doubleAt = {x, y};
        if (button == mbRight) FocusRow(VST(), VST().GetNodeAt(x, y));
    };
    tree.OnDblClick = [this, doubleAt](TObject*) {
        PVirtualNode node = VST().GetNodeAt(doubleAt->X, doubleAt->Y);
        if (!node) return;
        FocusRow(VST(), node);
        GoToURL1Click();
    };
    tree.OnKeyDown = [this](TObject*, uint16_t& key, TShiftState shift) {
        if (key == VK_RETURN_KEY) GoToURL1Click();
        // Shift+F10 opens the popup menu as the Menu key does.
        if (key == VK_F10 && (shift & (ssShift | ssAlt | ssCtrl)) == TShiftState(ssShift))
            key = VK_APPS;
    };
}

void TMainForm::OnCommand(QAction* action, void (TMainForm::*command)()) {
    connect(action, &QAction::triggered, this,
            [this, command] { CallGuarded([&] { (this->*command)(); }); });
}

void TMainForm::ConnectCommands() {
    Ui::MainForm& f = *ui_;
    struct {
        QAction* action;
        void (TMainForm::*command)();
    } commands[] = {
        {f.New1, &TMainForm::New1Click},
        {f.Open1, &TMainForm::Open1Click},
        {f.tbOpenButton, &TMainForm::Open1Click},
        {f.SaveBank1, &TMainForm::SaveBank1Click},
        {f.tbSaveButton, &TMainForm::SaveBank1Click},
        {f.SaveAs1, &TMainForm::SaveAs1Click},
        {f.GoToURL1, &TMainForm::GoToURL1Click},
        {f.tbGoToButton, &TMainForm::GoToURL1Click},
        {f.SendMail1, &TMainForm::SendMail1Click},
        {f.tbSendMailButton, &TMainForm::SendMail1Click},
        {f.LaunchBrowser1, &TMainForm::LaunchBrowserClick},
        {f.tbLaunchBrowser, &TMainForm::LaunchBrowserClick},
        {f.Exit1, &TMainForm::Exit1Click},
        {f.Contents1, &TMainForm::Contents1Click},
        {f.tbHelpButton, &TMainForm::Contents1Click},
        {f.AboutLinkVat1, &TMainForm::AboutLinkVat1Click},
        {f.BySelection1, &TMainForm::BySelection1Click},
        {f.ByCategory11, &TMainForm::ByC1Click},
        {f.ByCategory1andCategory21, &TMainForm::ByC1andC2Click},
        {f.ByCategory1andCategory2andCategory31, &TMainForm::ByC1C2C3Click},
        {f.LorvaneBankImport, &TMainForm::LorvaneBankImportClick},
        {f.LorvaneExportImport, &TMainForm::LorvaneExportImportClick},
        {f.InternetExplorerFavorites1, &TMainForm::InternetExplorerFavorites1Click},
        {f.NetscapeFavorites1, &TMainForm::NetscapeFavorites1Click},
        {f.FindFirst1, &TMainForm::Find1Click},
        {f.tbFindFirst, &TMainForm::Find1Click},
        {f.FindNext1, &TMainForm::FindNext1Click},
        {f.tbFindNext, &TMainForm::FindNext1Click},
        {f.AddEntry1, &TMainForm::AddEntry1Click},
        {f.tbAddEntry, &TMainForm::AddEntry1Click},
        {f.ModifyEntry1, &TMainForm::ModifyEntry1Click},
        {f.tbModifyEntry, &TMainForm::ModifyEntry1Click},
        {f.CopyEntry1, &TMainForm::CopyEntry1Click},
        {f.tbCopyEntry, &TMainForm::CopyEntry1Click},
        {f.DeleteEntry1, &TMainForm::DeleteEntry1Click},
        {f.tbDeleteEntry, &TMainForm::DeleteEntry1Click},
        {f.AddEntryCurrentURL1, &TMainForm::AddEntryCurrentURL1Click},
        {f.tbAddEntryCurrentURL, &TMainForm::AddEntryCurrentURL1Click},
        {f.CopyURLtoClipboard1, &TMainForm::CopyURLtoClipboard1Click},
        {f.CopyEntrytoClipboard1, &TMainForm::CopyEntryToClipboard1Click},
        {f.CopyUserIDtoClipboard1, &TMainForm::CopyUserIDtoClipboard1Click},
        {f.CopyUserIDPasswordtoClipboard1, &TMainForm::CopyUserIDpasswordtoClipboard1Click},
        {f.LoadWorkgroupBank1, &TMainForm::LoadWorkgroupBank1Click},
        {f.tbLoadWorkgroup, &TMainForm::LoadWorkgroupBank1Click},
        {f.TestWebPageAccess1, &TMainForm::TestURLs1Click},
        {f.Print1, &TMainForm::Print1Click},
        {f.Startup1, &TMainForm::Startup1Click},
        {f.Appearance1, &TMainForm::Appearance1Click},
        {f.Maintenance1, &TMainForm::Maintenance1Click},
        {f.Security1, &TMainForm::Security1Click},
        {f.Browser1, &TMainForm::Browser1Click},
        {f.Workgroup1, &TMainForm::Workgroup1Click},
        {f.TreeAction1, &TMainForm::TreeAction1Click},
        {f.CategoryChangeBySelection1, &TMainForm::CategoryChange1Click},
        {f.DeleteBySelection1, &TMainForm::DeleteBySelection1Click},
        {f.UpdateFavoritesByAccessCount1, &TMainForm::UpdateFavoritesByAccessCount1Click},
        {f.ClearAccessCounts1, &TMainForm::ClearAccessCounts1Click},
        {f.DuplicateURLsDomain1, &TMainForm::DuplicateURLsDomain1Click},
        {f.DuplicateURLsCompleteAddress1, &TMainForm::DuplicateURLsCompleteAddress1Click},
        {f.DisplayInformation1, &TMainForm::ShowEntryInfo},
        {f.tbDisplayInformation, &TMainForm::ShowEntryInfo},
        {f.ShowUserIDPassword1, &TMainForm::ShowUserIDPassword1Click},
        {f.tbShowUserIDPassword, &TMainForm::ShowUserIDPassword1Click},
        {f.ShowConfidentialNotes1, &TMainForm::ShowConfidentialNotes1Click},
        {f.tbShowConfidentialNote, &TMainForm::ShowConfidentialNotes1Click},
        {f.CollapseTree1, &TMainForm::CollapseTree1Click},
        {f.tbCollapseTree, &TMainForm::CollapseTree1Click},
        {f.ExpandTree1, &TMainForm::ExpandTree1Click},
        {f.tbExpandTree, &TMainForm::ExpandTree1Click},
        {f.TopoftheTree1, &TMainForm::TopoftheTree1Click},
        {f.tbTopOfTree, &TMainForm::TopoftheTree1Click},
        {f.BottomoftheTree1, &TMainForm::BottomoftheTree1Click},
        {f.tbBottomOfTree, &TMainForm::BottomoftheTree1Click},
    };
    for (const auto& c : commands) OnCommand(c.action, c.command);
    // F1 anywhere in the window: the main window's help; in a dialog, the dialog's.
    auto* help = new QAction(this);
    help->setObjectName("HelpKey");
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WindowShortcut);
    addAction(help);
    connect(help, &QAction::triggered, this, [this] {
        CallGuarded([&] { ShowHelp(WindowHelpContext(metaObject()->className())); });
    });
    InstallHelpKey(this);
    // A help context the tree asks for is shown by the same help.
    SetHelpHandler([](int context) { ShowHelp(context); });
}

void TMainForm::FillSeams() {
    TAppSeams& s = Seams();
    s.AskPassword = [this](std::string& typed) { return PasswordDlg().Ask(typed); };
    s.SetBusy = [this](bool busy) {
        if (busy) {
            ++busyDepth_;
            QApplication::setOverrideCursor(Qt::WaitCursor);
        } else if (busyDepth_ > 0) {
            --busyDepth_;
            QApplication::restoreOverrideCursor();
        }
    };
    s.SetStatusText = [this](const std::string& text) { SetStatusText(text); };
    s.EnableSave = [this](bool on) {
        ui_->SaveBank1->setEnabled(on);
        ui_->tbSaveButton->setEnabled(on);
    };
    s.EnableSaveAs = [this](bool on) { ui_->SaveAs1->setEnabled(on); };
    // The window shows the program's bank only.
    s.RebuildTree = [this](TBankState& bank) {
        if (&bank == &Bank()) RebuildTree();
    };
    s.FocusEntryNode = [this](int index) { FocusEntry(index); };
    s.NewBank = [] { return NewBankCommand(); };
    s.ProcessEvents = [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); };
    s.SetCaption = [this](const std::string& caption) { setWindowTitle(ToQString(caption)); };
    s.ClearTree = [this] {
        vst_->BeginUpdate();
        vst_->Clear();
        vst_->EndUpdate();
        Bank().FocusedEntry = -1;
        for (TEntry& entry : Bank().Entries) entry.Node = nullptr;
    };
    s.AskAdminSaveScope = [this](TSaveScope& scope) {
        int what = 0, how = 0;
        if (!AdminSaveForm().Choose(what, how)) return false;
        scope = SaveScopeOfChoice(what, how);
        return true;
    };
    s.ChooseBrowserDialog = [this](int& choice) { RunBrowserSelection(this, choice); };
    s.CloseInfoPanel = [] { InfoPanel().InfoShown = false; };
    InstallDesktopLauncher();

    ExportSeams().RepaintMain = [this] { repaint(); };
    FillExportSeams();
    InstallEntryCommands();
    InstallPanel();
    InstallTreeDrag();
}

void TMainForm::RebuildTree() {
    // Drawn once more before a long rebuild.
    if (Bank().EntryHigh >= 0) repaint();
    ::RebuildTree(Bank(), Settings(), *vst_);
}

void TMainForm::SetStatusText(const std::string& text) {
    const bool centred = !text.empty() && text[0] == '\t';
    statusLabel_->setAlignment((centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter);
    statusLabel_->setText(ToQString(centred ? text.substr(1) : text));
}

void TMainForm::UpdateLoadWorkgroup() {
    const bool on = !Settings().UserName.empty() && !Settings().WorkGroupUser.empty() &&
                    bool(Seams().LoadWorkgroupBank);
    ui_->LoadWorkgroupBank1->setEnabled(on);
    ui_->tbLoadWorkgroup->setEnabled(on);
}

int TMainForm::FocusedEntryNode() const {
    const auto* data = vst_->GetNodeData<TTreeNodeData>(vst_->FocusedNode());
    if (!data || data->Kind != nkEntry) return -1;
    const TBankState& bank = Bank();
    return data->EntryIndex >= 0 && data->EntryIndex <= bank.EntryHigh ? data->EntryIndex : -1;
}

void TMainForm::FocusEntry(int index) {
    const TBankState& bank = Bank();
    if (index < 0 || index > bank.EntryHigh || !bank.Entry(index).Node) return;
    PVirtualNode node = bank.Entry(index).Node;
    vst_->ClearSelection();
    vst_->SetFocusedNode(node);
    vst_->SetSelected(node, true);
    vst_->ScrollIntoView(node, true);
}

// ---- Commands -------------------------------------------------------------------------------

void TMainForm::New1Click() {
    NewBankCommand();
}

void TMainForm::Open1Click() {
    OpenBankCommand();
}

void TMainForm::SaveBank1Click() {
    SaveBankCommand();
}

void TMainForm::SaveAs1Click() {
    SaveAsCommand();
}

void TMainForm::GoToURL1Click() {
    const int index = FocusedEntryNode();
    if (index < 0) return;
    GoToURL(index);
    vst_->Invalidate();
}

void TMainForm::SendMail1Click() {
    const int index = FocusedEntryNode();
    if (index >= 0) SendMail(index);
}

void TMainForm::LaunchBrowserClick() {
    QInputDialog ask(this);
    ask.setWindowTitle("Lorvane Launch Browser");
    ask.setLabelText("Enter a URL to try.");
    ask.setTextValue("Http://");
    // Room for an address of some length, not just for the caption.
    ask.resize(std::max(ask.sizeHint().width(), ask.fontMetrics().averageCharWidth() * 60),
               ask.sizeHint().height());
    if (ask.exec() != QDialog::Accepted) return;
    const QString typed = ask.textValue();
    repaint();
    LaunchBrowser(FromQString(typed));
}

void TMainForm::Contents1Click() {
    ShowHelp(0);
}

void TMainForm::AboutLinkVat1Click() {
    TAboutBox box(this);
    box.exec();
}

void TMainForm::Exit1Click() {
    if (InfoPanel().InfoShown && Seams().CloseInfoPanel) Seams().CloseInfoPanel();
    close();
}

// ---- Window events -------------------------------------------------------------------------

void TMainForm::closeEvent(QCloseEvent* event) {
    bool allowed = true;
    CallGuarded([&] { allowed = AskSaveIfModified(); });
    if (!allowed) {
        event->ignore();
        return;
    }
    if (InfoPanel().InfoShown && Seams().CloseInfoPanel) Seams().CloseInfoPanel();
    fileStampCheck_->stop();
    event->accept();
}

void TMainForm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        const auto* change = static_cast<QWindowStateChangeEvent*>(event);
        // AppRestore: back from the task bar.
        if ((change->oldState() & Qt::WindowMinimized) && !(windowState() & Qt::WindowMinimized))
            CallGuarded([] { ProcessEventsSeam(); });
    }
}

void TMainForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // FormActivate: the status bar keeps its own font; the tree and the status bar are not
    // scaled with the window.
    QFont f = ui_->StatusBar1->font();
    f.setPointSize(9);
    ui_->StatusBar1->setFont(f);
    elastic_->ExcludeFromFontScaling(HostWidget(*vst_));
    elastic_->ExcludeFromFontScaling(ui_->StatusBar1);
}

void TMainForm::AppActivate() {
    ProcessEventsSeam();
}

void TMainForm::AppDeactivate() {
    if (Settings().Minimize && isVisible()) showMinimized();
}

void TMainForm::ElasticForm1AfterResize() {
    // The tree fills the central area below the tool bar (4 pixels apart) through the
    // layout; the status bar keeps its font.
    QFont f = ui_->StatusBar1->font();
    f.setPointSize(9);
    ui_->StatusBar1->setFont(f);
}
