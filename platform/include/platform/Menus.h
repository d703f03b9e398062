// Popup menus: items with captions and click handlers, shown at a screen position.
#pragma once

#include "platform/Classes.h"
#include "platform/Graphics.h"

#include <memory>
#include <string>
#include <vector>

class TMenuItem : public TObject {
public:
    TMenuItem() = default;
    explicit TMenuItem(std::string caption, TNotifyEvent onClick = {})
        : Caption(std::move(caption)), OnClick(std::move(onClick)) {}
    TMenuItem(const TMenuItem&) = delete;
    TMenuItem& operator=(const TMenuItem&) = delete;

    std::string Caption;  // "-" is a separator; "&" marks the access key
    bool Enabled = true;
    bool Checked = false;
    bool Visible = true;
    int Tag = 0;
    TNotifyEvent OnClick;

    TMenuItem* Add(std::string caption, TNotifyEvent onClick = {});
    int Count() const { return int(items_.size()); }
    TMenuItem* Items(int index) const { return items_.at(size_t(index)).get(); }
    void Clear() { items_.clear(); }
    // Runs the item's action as a user's choice would.
    void Click() {
        if (Enabled && OnClick) OnClick(this);
    }

private:
    std::vector<std::unique_ptr<TMenuItem>> items_;
};

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(TComponent* owner = nullptr);
    ~TPopupMenu() override;

    TMenuItem& Items() { return items_; }
    // The control the menu was last popped up for.
    TComponent* PopupComponent = nullptr;
    bool AutoPopup = true;
    TNotifyEvent OnPopup;

    // Fires OnPopup and shows the menu at a screen position without waiting for a choice.
    virtual void Popup(int x, int y);
    // Closes the menu when it is shown.
    void CloseMenu();
    bool IsPoppedUp() const;

    struct Impl;

private:
    TMenuItem items_;
    std::unique_ptr<Impl> impl_;
};
