// An ordered, owning list of items that tells its owner of every change, as the form library's
// collections do: items know their collection and their index, changes made between
// BeginUpdate and the last EndUpdate are reported once.
#pragma once

#include "platform/Classes.h"

#include <memory>
#include <vector>

class TCollection;

class TCollectionItem : public TObject {
public:
    explicit TCollectionItem(TCollection* collection) : collection_(collection) {}
    ~TCollectionItem() override = default;
    TCollectionItem(const TCollectionItem&) = delete;
    TCollectionItem& operator=(const TCollectionItem&) = delete;

    TCollection* Collection() const { return collection_; }
    // The item's place in its collection; -1 while it is in none.
    int Index() const;

protected:
    // Reports a change of this item (allItems: of the whole collection) to the collection.
    void Changed(bool allItems);

private:
    friend class TCollection;
    TCollection* collection_;
};

enum class TCollectionNotification { cnAdded, cnDeleting };

class TCollection : public TObject {
public:
    TCollection() = default;
    ~TCollection() override;
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;

    int Count() const { return int(items_.size()); }
    // The item at index; nullptr outside 0..Count()-1.
    TCollectionItem* ItemAt(int index) const;
    int IndexOf(const TCollectionItem* item) const;

    // Adds a new item at the end (made by CreateItem) and reports the change.
    TCollectionItem* AddItem();
    // Deletes the item at index (nothing outside the range) and reports the change.
    void Delete(int index);
    void Clear();

    void BeginUpdate() { ++updateCount_; }
    // The last EndUpdate reports one change of the whole collection.
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

protected:
    virtual std::unique_ptr<TCollectionItem> CreateItem() = 0;
    // Told of a new item (after it is in the list) and of an item about to go (still in it).
    virtual void Notify(TCollectionItem* item, TCollectionNotification action);
    // The change handler: item is the changed item, nullptr for the whole collection. Runs
    // only outside update locks.
    virtual void Update(TCollectionItem* item);
    void Changed(TCollectionItem* item = nullptr);

private:
    friend class TCollectionItem;
    std::vector<std::unique_ptr<TCollectionItem>> items_;
    int updateCount_ = 0;
};
