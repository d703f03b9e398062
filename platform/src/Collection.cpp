// The owning item list with change notification.
#include "platform/Collection.h"

#include <algorithm>

int TCollectionItem::Index() const {
    return collection_ ? collection_->IndexOf(this) : -1;
}

void TCollectionItem::Changed(bool allItems) {
    if (collection_) collection_->Changed(allItems ? nullptr : this);
}

TCollection::~TCollection() {
    // Items go without notification: the collection's descendants are already gone.
    items_.clear();
}

TCollectionItem* TCollection::ItemAt(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return items_[size_t(index)].get();
}

int TCollection::IndexOf(const TCollectionItem* item) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == item) return int(i);
    return -1;
}

TCollectionItem* TCollection::AddItem() {
    items_.push_back(CreateItem());
    TCollectionItem* item = items_.back().get();
    item->collection_ = this;
    Notify(item, TCollectionNotification::cnAdded);
    Changed();
    return item;
}

void TCollection::Delete(int index) {
    TCollectionItem* item = ItemAt(index);
    if (!item) return;
    Notify(item, TCollectionNotification::cnDeleting);
    // Notify may have changed the list; find the item again.
    index = IndexOf(item);
    if (index < 0) return;
    std::unique_ptr<TCollectionItem> gone = std::move(items_[size_t(index)]);
    items_.erase(items_.begin() + index);
    gone->collection_ = nullptr;
    gone.reset();
    Changed();
}

void TCollection::Clear() {
    if (items_.empty()) return;
    BeginUpdate();
    while (!items_.empty()) Delete(Count() - 1);
    EndUpdate();
}

void TCollection::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

void TCollection::Notify(TCollectionItem*, TCollectionNotification) {}
void TCollection::Update(TCollectionItem*) {}

void TCollection::Changed(TCollectionItem* item) {
    if (updateCount_ == 0) Update(item);
}
