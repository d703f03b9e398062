// The owning item list: indices, notifications, coalesced changes under update locks.
#include <gtest/gtest.h>

#include "platform/Collection.h"

#include <string>
#include <vector>

namespace {

class Item : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    void Touch() { Changed(false); }
    void TouchAll() { Changed(true); }
};

class Items : public TCollection {
public:
    std::vector<std::string> log;

protected:
    std::unique_ptr<TCollectionItem> CreateItem() override { return std::make_unique<Item>(this); }
    void Notify(TCollectionItem* item, TCollectionNotification action) override {
        log.push_back((action == TCollectionNotification::cnAdded ? "added " : "deleting ") +
                      std::to_string(item->Index()));
    }
    void Update(TCollectionItem* item) override {
        log.push_back(item ? "update " + std::to_string(item->Index()) : "update all");
    }
};

}  // namespace

TEST(Collection, ItemsKnowTheirPlaceAndChangesReachTheHandler) {
    Items items;
    auto* first = static_cast<Item*>(items.AddItem());
    auto* second = static_cast<Item*>(items.AddItem());
    EXPECT_EQ(items.Count(), 2);
    EXPECT_EQ(first->Index(), 0);
    EXPECT_EQ(second->Index(), 1);
    EXPECT_EQ(second->Collection(), &items);
    EXPECT_EQ(items.ItemAt(1), second);
    EXPECT_EQ(items.ItemAt(2), nullptr);
    EXPECT_EQ(items.ItemAt(-1), nullptr);
    second->Touch();
    first->TouchAll();
    EXPECT_EQ(items.log, (std::vector<std::string>{"added 0", "update all", "added 1", "update all",
                                                   "update 1", "update all"}));
    items.log.clear();
    items.Delete(0);
    EXPECT_EQ(second->Index(), 0);
    items.Delete(5);
    EXPECT_EQ(items.log, (std::vector<std::string>{"deleting 0", "update all"}));
}

TEST(Collection, UpdateLocksReportOneChangeAtTheLastEnd) {
    Items items;
    items.BeginUpdate();
    items.BeginUpdate();
    auto* item = static_cast<Item*>(items.AddItem());
    items.AddItem();
    item->Touch();
    items.EndUpdate();
    EXPECT_EQ(items.log, (std::vector<std::string>{"added 0", "added 1"}));
    items.EndUpdate();
    EXPECT_EQ(items.log.back(), "update all");
    items.EndUpdate();  // unbalanced: ignored
    EXPECT_EQ(items.UpdateCount(), 0);
    items.log.clear();
    items.Clear();
    EXPECT_EQ(items.Count(), 0);
    EXPECT_EQ(items.log, (std::vector<std::string>{"deleting 1", "deleting 0", "update all"}));
}
