// The popup menu over QMenu.
#include "platform/Menus.h"

#include "QtCanvas.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

#include <functional>

struct TPopupMenu::Impl {
    QPointer<QMenu> menu;
    // Owns the chosen commands waiting to run: they are dropped with the popup menu.
    QObject queue;
};

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), impl_(std::make_unique<Impl>()) {}

TPopupMenu::~TPopupMenu() {
    // The menu's handlers only queue commands, so none of them is running now.
    delete impl_->menu.data();
}

namespace {

bool Holds(const TMenuItem& parent, const TMenuItem* item) {
    for (int i = 0; i < parent.Count(); ++i)
        if (parent.Items(i) == item || Holds(*parent.Items(i), item)) return true;
    return false;
}

// `choose` queues the chosen item's command.
void Fill(QMenu* menu, TMenuItem& parent, const std::function<void(TMenuItem*)>& choose) {
    for (int i = 0; i < parent.Count(); ++i) {
        TMenuItem* item = parent.Items(i);
        if (!item->Visible) continue;
        if (item->Caption == "-") {
            menu->addSeparator();
            continue;
        }
        QString caption = AnsiToQString(item->Caption);
        if (item->Count() > 0) {
            QMenu* sub = menu->addMenu(caption);
            sub->setEnabled(item->Enabled);
            Fill(sub, *item, choose);
            continue;
        }
        QAction* action = menu->addAction(caption);
        action->setEnabled(item->Enabled);
        if (item->Checked) {
            action->setCheckable(true);
            action->setChecked(true);
        }
        QObject::connect(action, &QAction::triggered, [item, choose] { choose(item); });
    }
}
}  // namespace

void TPopupMenu::Popup(int x, int y) {
    CloseMenu();
    if (OnPopup) OnPopup(this);
    auto* menu = new QMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // The command runs once the menu has closed and its mouse or key handler has returned: a
    // command that lets events run (a rebuilt tree, a started program, a dialog) must not have
    // the menu freed under the handler it was chosen from. The item is looked up again then, in
    // case the items were rebuilt meanwhile.
    Fill(menu, items_, [this](TMenuItem* item) {
        QMetaObject::invokeMethod(
            &impl_->queue,
            [this, item] {
                if (Holds(items_, item)) item->Click();
            },
            Qt::QueuedConnection);
    });
    impl_->menu = menu;
    menu->popup(QPoint(x, y));
}

void TPopupMenu::CloseMenu() {
    // Freed later, never at once: this may be called from inside the menu's own handlers.
    if (QMenu* menu = impl_->menu) {
        impl_->menu = nullptr;
        menu->hide();
        menu->deleteLater();
    }
}

bool TPopupMenu::IsPoppedUp() const {
    return impl_->menu && impl_->menu->isVisible();
}
