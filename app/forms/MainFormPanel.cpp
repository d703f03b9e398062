// The main window's information panel beside the shrunken tree, the View commands that add a
// password or confidential notes to it, and the tree's popup menu.
#include <QAction>
#include <QEvent>
#include <QLayout>
#include <QTimer>
#include <QWidget>

#include "AppSeams.h"
#include "BankModel.h"
#include "InfoPanel.h"
#include "MainForm.h"
#include "MainTree.h"
#include "MarkMemo.h"
#include "PanelTree.h"
#include "Security.h"
#include "Settings.h"
#include "platform/Menus.h"
#include "platform/qt/Application.h"
#include "platform/qt/ControlHost.h"
#include "ui_MainForm.h"

namespace {

// Calls `onResize` whenever the watched widget changes its size.
class TResizeWatch : public QObject {
public:
    TResizeWatch(QObject* parent, std::function<void()> onResize)
        : QObject(parent), onResize_(std::move(onResize)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize) onResize_();
        return false;
    }

private:
    std::function<void()> onResize_;
};

}  // namespace

// What the window holds for the panel and the tree's popup menu.
struct TInfoPanelWindow {
    std::unique_ptr<TMarkMemo> memo;
    // Memos closed during an event, freed once it has been handled.
    std::vector<std::unique_ptr<TMarkMemo>> closed;
    TPopupMenu popup;
    TResizeWatch* watch = nullptr;
    QSize treeMinimum, treeMaximum;
    bool narrowed = false;  // the tree is shrunk to its first column

    ~TInfoPanelWindow() {
        delete watch;
        memo.reset();
        closed.clear();
    }
};

void TMainForm::InstallPanel() {
    panel_ = std::make_shared<TInfoPanelWindow>();
    Seams().CloseInfoPanel = [this] { CloseInfoPanel(); };
    panel_->watch = new TResizeWatch(this, [this] {
        if (panel_ && panel_->memo) PlaceInfoMemo();
    });
    installEventFilter(panel_->watch);
    TreeHostWidget(VST())->installEventFilter(panel_->watch);

    // The popup menu repeats main-menu commands with their captions and shortcuts, in the main
    // menu's order.
    Ui::MainForm& f = Form();
    const std::vector<QAction*> items = {f.GoToURL1,
                                         f.SendMail1,
                                         nullptr,
                                         f.AddEntry1,
                                         f.AddEntryCurrentURL1,
                                         f.ModifyEntry1,
                                         f.CopyEntry1,
                                         f.DeleteEntry1,
                                         nullptr,
                                         f.CopyEntrytoClipboard1,
                                         f.CopyURLtoClipboard1,
                                         f.CopyUserIDtoClipboard1,
                                         f.CopyUserIDPasswordtoClipboard1,
                                         nullptr,
                                         f.FindFirst1,
                                         f.FindNext1,
                                         nullptr,
                                         f.DisplayInformation1,
                                         nullptr,
                                         f.CollapseTree1,
                                         f.ExpandTree1,
                                         f.TopoftheTree1,
                                         f.BottomoftheTree1};
    TMenuItem& root = panel_->popup.Items();
    for (QAction* action : items) {
        if (!action) {
            root.Add("-");
            continue;
        }
        std::string caption = FromQString(action->text());
        if (!action->shortcut().isEmpty())
            caption += "\t" + FromQString(action->shortcut().toString(QKeySequence::NativeText));
        root.Add(caption, [action](TObject*) { action->trigger(); });
    }
    panel_->popup.OnPopup = [this, items](TObject*) {
        TMenuItem& menu = panel_->popup.Items();
        for (int i = 0; i < menu.Count() && i < int(items.size()); ++i)
            if (items[size_t(i)]) menu.Items(i)->Enabled = items[size_t(i)]->isEnabled();
    };
    AttachTreePopup(VST(), panel_->popup);
}

void TMainForm::PlaceInfoMemo() {
    QWidget* tree = TreeHostWidget(VST());
    QWidget* memo = HostWidget(*panel_->memo);
    const QPoint at = tree->mapTo(this, QPoint(0, 0));
    const int left = at.x() + tree->width() + 5;
    memo->setGeometry(left, at.y(), std::max(0, width() - left - 10), tree->height());
}

void TMainForm::RetireInfoMemo() {
    HostWidget(*panel_->memo)->hide();
    panel_->closed.push_back(std::move(panel_->memo));
    // The memo may be inside one of its own events: it is freed after the current one.
    std::weak_ptr<TInfoPanelWindow> weak = panel_;
    QTimer::singleShot(0, this, [weak] {
        if (auto panel = weak.lock()) panel->closed.clear();
    });
}

void TMainForm::ShowEntryInfo() {
    TInfoPanelState& state = InfoPanel();
    state.InfoShown = true;
    state.SuppressColumnSave = true;
    const int index = FocusedEntryChecked(Bank());
    if (index < 0) return;
    // Shown again: the old memo goes, the tree keeps its narrow width.
    if (panel_->memo) RetireInfoMemo();

    // The tree shrinks to its first column.
    const int first = NarrowTreeColumns(VST());
    QWidget* tree = TreeHostWidget(VST());
    if (!panel_->narrowed) {
        panel_->treeMinimum = tree->minimumSize();
        panel_->treeMaximum = tree->maximumSize();
        panel_->narrowed = true;
    }
    tree->setFixedWidth(first + 25);
    Form().CentralLayout->activate();

    // The memo beside it.
    panel_->memo = std::make_unique<TMarkMemo>();
    TMarkMemo& memo = *panel_->memo;
    QWidget* host = HostWidget(memo);
    host->setObjectName("InfoMemo");
    host->setParent(this);
    const TSettings& settings = Settings();
    memo.Font().SetSize(settings.FontSize);
    memo.Font().SetColor(settings.FontColor);
    memo.Font().SetStyle(settings.FontStyle);
    memo.Font().SetName(settings.FontName);
    memo.SetWordWrap(true);
    memo.EndOfTextMark().SetStyle(TPenStyle::psClear);
    memo.ReadOnly = true;  // copying still works; the formatting keys do not
    memo.EnableHotKeys = false;
    PlaceInfoMemo();
    host->show();
    host->raise();

    FillInfoMemo(memo, Bank().Entry(index));
    memo.SetSelStart(0);
    memo.ScrollTo(0, 0);
}

void TMainForm::CloseInfoPanel() {
    InfoPanel().InfoShown = false;
    if (!panel_ || !panel_->memo) return;
    RetireInfoMemo();
    // The tree takes its width and its columns back.
    if (!panel_->narrowed) return;
    panel_->narrowed = false;
    QWidget* tree = TreeHostWidget(VST());
    tree->setMinimumSize(panel_->treeMinimum);
    tree->setMaximumSize(panel_->treeMaximum);
    RestoreTreeColumns(VST());
}

void TMainForm::ShowUserIDPassword1Click() {
    const int index = FocusedEntryChecked(Bank());
    if (index < 0 || !CheckPassword(0)) return;
    if (!InfoPanel().InfoShown || !panel_->memo) ShowEntryInfo();
    if (panel_->memo) AddInfoMemoLines(*panel_->memo, PasswordInfoLines(Bank().Entry(index)));
}

void TMainForm::ShowConfidentialNotes1Click() {
    const int index = FocusedEntryChecked(Bank());
    if (index < 0 || !CheckPassword(1)) return;
    if (!InfoPanel().InfoShown || !panel_->memo) ShowEntryInfo();
    if (panel_->memo) AddInfoMemoLines(*panel_->memo, ConfNotesInfoLines(Bank().Entry(index)));
}
