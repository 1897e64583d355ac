#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sap/ServiceListControl.h"

// A plain list control for tests: rows in display order, linear search.
class InMemoryList {
public:
    struct Row {
        std::array<std::string, 4> texts;
        void* data = nullptr;
    };

    int FindItemNoCase(std::string_view text) const {
        for (std::size_t i = 0; i < m_rows.size(); ++i)
            if (EqualNoCase(m_rows[i].texts[0], text)) return static_cast<int>(i);
        return -1;
    }
    int InsertItem(int row, std::string_view text) {
        if (m_failInserts || row < 0 || row > GetItemCount()) return -1;
        Row added;
        added.texts[0] = std::string(text);
        m_rows.insert(m_rows.begin() + row, std::move(added));
        return row;
    }
    bool SetItemText(int row, int column, std::string_view text) {
        if (!Valid(row) || column < 0 || column > 3) return false;
        m_rows[row].texts[column] = std::string(text);
        return true;
    }
    bool SetItemData(int row, void* data) {
        if (!Valid(row)) return false;
        m_rows[row].data = data;
        return true;
    }
    void* GetItemData(int row) const { return Valid(row) ? m_rows[row].data : nullptr; }
    int GetItemCount() const { return static_cast<int>(m_rows.size()); }
    bool DeleteAllItems() {
        m_rows.clear();
        return true;
    }
    bool SortItems(sap::ListCompareFunc compare, std::intptr_t param) {
        std::stable_sort(m_rows.begin(), m_rows.end(), [&](const Row& a, const Row& b) {
            return compare(a.data, b.data, param) < 0;
        });
        return true;
    }

    const std::string& Text(int row, int column) const { return m_rows.at(row).texts.at(column); }
    void FailInserts(bool fail) { m_failInserts = fail; }

private:
    static bool EqualNoCase(std::string_view a, std::string_view b) {
        auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; };
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return fold(x) == fold(y); });
    }
    bool Valid(int row) const { return row >= 0 && row < GetItemCount(); }

    std::vector<Row> m_rows;
    bool m_failInserts = false;
};

static_assert(sap::ServiceListControl<InMemoryList>);
