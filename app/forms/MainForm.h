// The main window: menus, tool bar, status bar and the category tree of the open bank.
#pragma once

#include <QMainWindow>
#include <memory>
#include <string>

namespace Ui {
class MainForm;
}
class QLabel;
class QTimer;
class QAction;
class TBaseVirtualTree;
class TVirtualStringTree;
class TCustomImageList;
class TElasticFormQt;
class TDropURLTarget;
class TAdminSaveForm;
class TPasswordDlg;
class TFindForm;
class TMarkMemo;
class TPopupMenu;
struct TInfoPanelWindow;

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    Ui::MainForm& Form() { return *ui_; }
    TBaseVirtualTree& VST() { return *vst_; }
    TAdminSaveForm& AdminSaveForm();
    TPasswordDlg& PasswordDlg();

    // The tree after a change of the entries.
    void RebuildTree();
    // The status bar's text; a leading tab centres it.
    void SetStatusText(const std::string& text);
    // Load Workgroup Bank is offered only with a user name and a user file (and once the
    // command exists).
    void UpdateLoadWorkgroup();
    // The entry of the focused node when it is an entry node naming a live slot, else -1.
    int FocusedEntryNode() const;
    // Focuses and shows an entry's node.
    void FocusEntry(int index);

    // Commands.
    void New1Click();
    void Open1Click();
    void SaveBank1Click();
    void SaveAs1Click();
    void GoToURL1Click();
    void SendMail1Click();
    void LaunchBrowserClick();
    void Contents1Click();
    void AboutLinkVat1Click();
    void Exit1Click();

    // Export and import (MainFormExport.cpp).
    void BySelection1Click();
    void ByC1Click();
    void ByC1andC2Click();
    void ByC1C2C3Click();
    void LorvaneBankImportClick();
    void LorvaneExportImportClick();
    void InternetExplorerFavorites1Click();
    void NetscapeFavorites1Click();
    // The file dialog of exports and imports, kept between uses; the folder picker and the
    // clipboard of the export seams.
    void FillExportSeams();
    // Find and Find Next (MainFormFind.cpp); the dialog is made once and reused.
    void Find1Click();
    void FindNext1Click();
    // Entry editing, the clipboard and the workgroup bank (MainFormEntries.cpp).
    void AddEntry1Click();
    void ModifyEntry1Click();
    void CopyEntry1Click();
    void DeleteEntry1Click();
    void AddEntryCurrentURL1Click();
    void CopyURLtoClipboard1Click();
    void CopyEntryToClipboard1Click();
    void CopyUserIDtoClipboard1Click();
    void CopyUserIDpasswordtoClipboard1Click();
    void LoadWorkgroupBank1Click();
    void FileStampCheckTimer();
    // A link dropped on the window: its title and URL become a new entry.
    void DropURLTarget1Drop(const std::string& title, const std::string& url);
    // The web page access test (MainFormTestURL.cpp).
    void TestURLs1Click();

    // Printing (MainFormPrint.cpp).
    void Print1Click();

    // Configuration and bulk maintenance (MainFormConfig.cpp).
    // The configuration dialog on a page; applies and saves what Save confirms.
    void RunConfiguration(int page);
    void Startup1Click();
    void Appearance1Click();
    void Maintenance1Click();
    void Security1Click();
    void Browser1Click();
    void Workgroup1Click();
    void TreeAction1Click();
    void CategoryChange1Click();
    void DeleteBySelection1Click();
    void UpdateFavoritesByAccessCount1Click();
    void ClearAccessCounts1Click();
    void DuplicateURLsDomain1Click();
    void DuplicateURLsCompleteAddress1Click();

    // The information panel, the View commands that add to it, the tree's navigation and its
    // popup menu (MainFormPanel.cpp).
    void ShowEntryInfo();
    void ShowUserIDPassword1Click();
    void ShowConfidentialNotes1Click();
    void CollapseTree1Click();
    void ExpandTree1Click();
    void TopoftheTree1Click();
    void BottomoftheTree1Click();
    // Frees the panel's memo (after the current event) and gives the tree its width back.
    void CloseInfoPanel();

    // Dragging in the tree (MainFormDrag.cpp): an entry or folder dropped on a folder moves
    // there. Over accepts every drag; the drop applies it to the bank.
    void VSTDragOver(bool& accept);
    void VSTDragDrop();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The dialog of Find, made at its first use and kept.
    TFindForm& FindForm();
    void FormCreate();
    void ConfigureTree();
    void ConfigureTreeColumns(TVirtualStringTree& tree);
    void ConnectTreeCells(TVirtualStringTree& tree);
    void ConnectTreeFocusAndHeader(TVirtualStringTree& tree);
    void ConnectTreeInput(TVirtualStringTree& tree);
    void ConnectCommands();
    void FillSeams();
    void AppActivate();
    void AppDeactivate();
    void ElasticForm1AfterResize();
    void OnCommand(QAction* action, void (TMainForm::*command)());
    void InstallEntryCommands();
    void InstallTreeDrag();
    void InstallPanel();
    void PlaceInfoMemo();
    void RetireInfoMemo();

    std::unique_ptr<Ui::MainForm> ui_;
    std::unique_ptr<TBaseVirtualTree> vst_;
    std::unique_ptr<TCustomImageList> treeImages_;
    std::unique_ptr<TDropURLTarget> dropTarget_;
    TElasticFormQt* elastic_ = nullptr;
    TAdminSaveForm* adminSaveForm_ = nullptr;
    TPasswordDlg* passwordDlg_ = nullptr;
    TFindForm* findForm_ = nullptr;
    QTimer* fileStampCheck_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    int busyDepth_ = 0;
    bool closing_ = false;
    bool stampNoticeShown_ = false;
    std::shared_ptr<TInfoPanelWindow> panel_;
};
