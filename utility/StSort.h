// An in-place, non-recursive quicksort with a three-way comparator (not stable).
#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <functional>
#include <iterator>
#include <ranges>
#include <type_traits>

#include "StBase.h"
#include "StConst.h"

namespace StSortDetail {

template <class C>
struct IsStdFunction : std::false_type {};
template <class R, class... A>
struct IsStdFunction<std::function<R(A...)>> : std::true_type {};

template <class C>
bool IsMissing(const C& compare) {
    if constexpr (std::is_pointer_v<C> || std::is_member_pointer_v<C>)
        return compare == nullptr;
    else if constexpr (IsStdFunction<C>::value)
        return !compare;
    else
        return false;
}

}  // namespace StSortDetail

// Sorts [first, last) into ascending order of `compare(a, b)` (< 0, 0, > 0). Ranges of 16
// or more take their pivot as the median of three; the larger part of every partition is
// stacked and the smaller worked on, so the stack stays within log2(count) entries.
// Elements move only by swaps, so a comparator that throws leaves a permutation behind.
// Raises EStSortError 51 without a comparator and 53 for an empty range.
template <std::random_access_iterator It, class Compare>
requires std::copy_constructible<std::iter_value_t<It>>
void SortArray(It first, It last, Compare&& compare) {
    using T = std::iter_value_t<It>;
    using Index = std::iter_difference_t<It>;

    if (StSortDetail::IsMissing(compare)) RaiseLibraryError<EStSortError>(StMsgNoCompare);
    const Index count = last - first;
    if (count <= 0) RaiseLibraryError<EStSortError>(StMsgBadSize);

    auto less = [&](const T& a, const T& b) { return std::invoke(compare, a, b) < 0; };
    auto swapAt = [&](Index a, Index b) { std::ranges::iter_swap(first + a, first + b); };

    std::array<Index, 64> loStack{}, hiStack{};
    size_t depth = 0;
    loStack[depth] = 0;
    hiStack[depth] = count - 1;
    ++depth;

    do {
        --depth;
        Index lo = loStack[depth];
        Index hi = hiStack[depth];
        // Post-tested on purpose: a one-element range still runs the body once.
        do {
            Index i = lo;
            Index j = hi;
            const Index n = j - i + 1;
            Index mid = i + n / 2;
            if (n >= 16) {
                if (less(first[mid], first[i])) swapAt(mid, i);
                if (less(first[j], first[i])) swapAt(j, i);
                if (less(first[j], first[mid])) swapAt(j, mid);
                swapAt(mid, j - 1);
                mid = j - 1;
                ++i;
                j -= 2;
            }
            const T pivot = first[mid];
            do {
                // The bounds only matter for a comparator that is not a consistent order;
                // a sound one always stops inside the range.
                while (i <= hi && less(first[i], pivot)) ++i;
                while (j >= lo && less(pivot, first[j])) --j;
                if (i == j) {
                    ++i;
                    --j;
                } else if (i < j) {
                    swapAt(i, j);
                    ++i;
                    --j;
                }
            } while (j >= i);

            if (j - lo < hi - i) {
                if (i < hi) {
                    loStack[depth] = i;
                    hiStack[depth] = hi;
                    ++depth;
                }
                hi = j;
            } else {
                if (j > lo) {
                    loStack[depth] = lo;
                    hiStack[depth] = j;
                    ++depth;
                }
                lo = i;
            }
        } while (lo < hi);
    } while (depth > 0);
}

template <std::ranges::random_access_range R, class Compare>
void SortArray(R&& range, Compare&& compare) {
    SortArray(std::ranges::begin(range), std::ranges::end(range), std::forward<Compare>(compare));
}
