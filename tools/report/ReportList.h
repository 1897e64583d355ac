#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "sap/ServiceListControl.h"

namespace report {

// The rows of a headless run, satisfying the list control the service table
// needs. The table always inserts at the top, so rows are stored oldest first
// (display row r lives at storage index size-1-r) and an insert at the top is a
// push_back. Names are found through a map of the case-folded name.
class ReportList {
public:
    int FindItemNoCase(std::string_view text) const;
    int InsertItem(int row, std::string_view text);
    bool SetItemText(int row, int column, std::string_view text);
    bool SetItemData(int row, void* data);
    void* GetItemData(int row) const;
    int GetItemCount() const { return static_cast<int>(m_rows.size()); }
    bool DeleteAllItems();
    bool SortItems(sap::ListCompareFunc compare, std::intptr_t param);

    const std::string& Text(int row, int column) const;

private:
    struct Row {
        std::array<std::string, 4> texts;
        void* data = nullptr;
    };

    static std::string Fold(std::string_view text);
    std::size_t StorageIndex(int row) const { return m_rows.size() - 1 - static_cast<std::size_t>(row); }
    bool Valid(int row) const { return row >= 0 && row < GetItemCount(); }
    void RebuildIndex();

    std::vector<Row> m_rows;
    std::unordered_map<std::string, std::size_t> m_byFoldedName;  // to storage index
};

static_assert(sap::ServiceListControl<ReportList>);

}  // namespace report
