// Menu items: the tree of captions and actions that every menu implementation shows.
#include "platform/Menus.h"

TMenuItem* TMenuItem::Add(std::string caption, TNotifyEvent onClick) {
    items_.push_back(std::make_unique<TMenuItem>(std::move(caption), std::move(onClick)));
    return items_.back().get();
}
