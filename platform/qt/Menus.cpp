// The popup menu over QMenu.
#include "platform/Menus.h"

#include "QtCanvas.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

struct TPopupMenu::Impl {
    QPointer<QMenu> menu;
};

TPopupMenu::TPopupMenu(TComponent* owner) : TComponent(owner), impl_(std::make_unique<Impl>()) {}

TPopupMenu::~TPopupMenu() {
    CloseMenu();
}

namespace {
void Fill(QMenu* menu, TMenuItem& parent) {
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
            Fill(sub, *item);
            continue;
        }
        QAction* action = menu->addAction(caption);
        action->setEnabled(item->Enabled);
        if (item->Checked) {
            action->setCheckable(true);
            action->setChecked(true);
        }
        // The menu lives only while shown and the items outlive it, so the pointer stays valid.
        QObject::connect(action, &QAction::triggered, [item] { item->Click(); });
    }
}
}  // namespace

void TPopupMenu::Popup(int x, int y) {
    CloseMenu();
    if (OnPopup) OnPopup(this);
    auto* menu = new QMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    Fill(menu, items_);
    impl_->menu = menu;
    menu->popup(QPoint(x, y));
}

void TPopupMenu::CloseMenu() {
    if (impl_->menu) {
        QMenu* menu = impl_->menu;
        impl_->menu = nullptr;
        delete menu;
    }
}

bool TPopupMenu::IsPoppedUp() const {
    return impl_->menu && impl_->menu->isVisible();
}
