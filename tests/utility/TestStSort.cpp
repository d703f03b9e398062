// Tests of SortArray: ordering and permutation at many sizes, its compare sequence and errors.
#include "StSort.h"

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "UtilityTestHelpers.h"

namespace {

// Keys repeat; Tag tells equal keys apart; the string makes it non-trivial to copy, as the
// bank's entries are.
struct Item {
    int Key = 0;
    int Tag = 0;
    std::string Payload;
    bool operator==(const Item&) const = default;
};

int CompareKeys(const Item& a, const Item& b) {
    return a.Key < b.Key ? -1 : a.Key > b.Key ? 1 : 0;
}

std::vector<Item> MakeItems(size_t count, int keyRange, std::mt19937& random) {
    std::uniform_int_distribution<int> key(0, keyRange - 1);
    std::vector<Item> items(count);
    for (size_t k = 0; k < count; ++k)
        items[k] = {key(random), int(k), "payload " + std::to_string(k)};
    return items;
}

bool IsPermutation(std::vector<Item> input, std::vector<Item> output) {
    auto byTag = [](const Item& a, const Item& b) { return a.Tag < b.Tag; };
    std::sort(input.begin(), input.end(), byTag);
    std::sort(output.begin(), output.end(), byTag);
    return input == output;
}

bool IsSorted(const std::vector<Item>& items) {
    return std::is_sorted(items.begin(), items.end(),
                          [](const Item& a, const Item& b) { return a.Key < b.Key; });
}

}  // namespace

TEST(SortArray, SortsAndPermutesAtEverySize) {
    std::mt19937 random(77);
    for (size_t count : {1, 2, 3, 15, 16, 17, 33, 100, 10000}) {
        for (int keyRange : {1, 3, 1000000}) {  // all equal, many equal, mostly distinct
            SCOPED_TRACE(std::to_string(count) + " items, " + std::to_string(keyRange) + " keys");
            const std::vector<Item> input = MakeItems(count, keyRange, random);
            std::vector<Item> items = input;
            SortArray(items.begin(), items.end(), CompareKeys);
            EXPECT_TRUE(IsSorted(items));
            EXPECT_TRUE(IsPermutation(input, items));
            SortArray(items, CompareKeys);  // already sorted
            EXPECT_TRUE(IsSorted(items));
            std::reverse(items.begin(), items.end());
            SortArray(items, CompareKeys);
            EXPECT_TRUE(IsSorted(items));
            EXPECT_TRUE(IsPermutation(input, items));
        }
    }
}

TEST(SortArray, ComparatorForms) {
    int values[] = {5, -3, 9, 0, 9, -3, 7};
    SortArray(values, [](int a, int b) { return a < b ? -1 : a > b ? 1 : 0; });
    EXPECT_TRUE(std::is_sorted(std::begin(values), std::end(values)));

    std::vector<std::string> words = {"pear", "Apple", "fig", "apple"};
    std::function<int(const std::string&, const std::string&)> compare =
        [](const std::string& a, const std::string& b) { return a.compare(b); };
    SortArray(words, compare);
    EXPECT_EQ(words, (std::vector<std::string>{"Apple", "apple", "fig", "pear"}));
}

TEST(SortArray, CompareSequence) {
    // Index of each compared element, -1 for the pivot copy.
    auto firstCalls = [](size_t count, size_t wanted) {
        std::vector<Item> items(count);
        for (size_t k = 0; k < count; ++k) items[k] = {int(count - k), int(k), ""};
        std::vector<std::pair<int, int>> calls;
        const Item* base = items.data();
        auto indexOf = [&](const Item& e) {
            return (&e >= base && &e < base + count) ? int(&e - base) : -1;
        };
        SortArray(items, [&](const Item& a, const Item& b) {
            if (calls.size() < wanted) calls.push_back({indexOf(a), indexOf(b)});
            return CompareKeys(a, b);
        });
        return calls;
    };
    using Calls = std::vector<std::pair<int, int>>;
    EXPECT_EQ(firstCalls(1, 10), (Calls{{0, -1}, {-1, 0}}));          // all there is
    EXPECT_EQ(firstCalls(16, 3), (Calls{{8, 0}, {15, 0}, {15, 8}}));  // median of three
    EXPECT_EQ(firstCalls(15, 1), (Calls{{0, -1}}));
}

TEST(SortArray, Errors) {
    std::vector<Item> empty;
    EXPECT_EQ(LibraryErrorOf<EStSortError>([&] { SortArray(empty, CompareKeys); }),
              "53 Bad size parameter");
    std::vector<Item> items(3);
    int (*none)(const Item&, const Item&) = nullptr;
    EXPECT_EQ(LibraryErrorOf<EStSortError>([&] { SortArray(items, none); }),
              "51 Compare property must be set");
    std::function<int(const Item&, const Item&)> unset;
    EXPECT_THROW(SortArray(items, unset), EStSortError);
}

TEST(SortArray, BadComparatorsLeaveAPermutation) {
    std::mt19937 random(5);
    for (int failAt : {1, 5, 40}) {
        const std::vector<Item> input = MakeItems(500, 10, random);
        std::vector<Item> items = input;
        int calls = 0;
        EXPECT_THROW(SortArray(items,
                               [&](const Item& a, const Item& b) {
                                   if (++calls == failAt)
                                       throw std::runtime_error("compare failed");
                                   return CompareKeys(a, b);
                               }),
                     std::runtime_error);
        EXPECT_TRUE(IsPermutation(input, items)) << failAt;
    }
    // Not an order at all: any result order, but nothing read or written outside the range.
    const std::vector<Item> input = MakeItems(300, 50, random);
    std::vector<Item> items = input;
    std::uniform_int_distribution<int> coin(-1, 1);
    SortArray(items, [&](const Item&, const Item&) { return coin(random); });
    EXPECT_TRUE(IsPermutation(input, items));
}
