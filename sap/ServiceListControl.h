#pragma once

#include <concepts>
#include <cstdint>
#include <string_view>

namespace sap {

// The comparison a list control calls to order two rows by their item data.
using ListCompareFunc = int (*)(const void* itemA, const void* itemB, std::intptr_t param);

// What the service table needs of the list control that shows its rows. The
// window's list control satisfies it; tests use a plain in-memory list.
//
// FindItemNoCase: the row whose column-0 text equals text as a whole, folding
//   A-Z to a-z only, or -1. Must not be linear in the row count (large networks
//   advertise tens of thousands of names).
// InsertItem: a new row at index with column-0 text; its index, or -1 on failure.
// SetItemText / SetItemData / GetItemData: column texts and the record reference.
// SortItems: reorders the rows ascending by compare(dataA, dataB, param).
template <class L>
concept ServiceListControl =
    requires(L& list, const L& view, std::string_view text, int row, int column, void* data,
             ListCompareFunc compare, std::intptr_t param) {
        { view.FindItemNoCase(text) } -> std::same_as<int>;
        { list.InsertItem(row, text) } -> std::same_as<int>;
        { list.SetItemText(row, column, text) } -> std::same_as<bool>;
        { list.SetItemData(row, data) } -> std::same_as<bool>;
        { view.GetItemData(row) } -> std::same_as<void*>;
        { view.GetItemCount() } -> std::same_as<int>;
        { list.DeleteAllItems() } -> std::same_as<bool>;
        { list.SortItems(compare, param) } -> std::same_as<bool>;
    };

}  // namespace sap
