#include "ReportList.h"

#include <algorithm>
#include <new>

namespace report {

std::string ReportList::Fold(std::string_view text) {
    std::string folded(text);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

int ReportList::FindItemNoCase(std::string_view text) const {
    const auto it = m_byFoldedName.find(Fold(text));
    if (it == m_byFoldedName.end()) return -1;
    return static_cast<int>(m_rows.size() - 1 - it->second);
}

int ReportList::InsertItem(int row, std::string_view text) {
    if (row < 0 || row > GetItemCount()) return -1;
    try {
        Row added;
        added.texts[0] = std::string(text);
        if (row == 0) {
            m_rows.push_back(std::move(added));
            // The new row is the top one, so it is the first match for its name.
            m_byFoldedName.insert_or_assign(Fold(text), m_rows.size() - 1);
        } else {
            // Only the top is used by the service table; elsewhere the indices shift.
            m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(m_rows.size() - static_cast<std::size_t>(row)),
                          std::move(added));
            RebuildIndex();
        }
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return row;
}

bool ReportList::SetItemText(int row, int column, std::string_view text) {
    if (!Valid(row) || column < 0 || column > 3) return false;
    m_rows[StorageIndex(row)].texts[static_cast<std::size_t>(column)] = std::string(text);
    if (column == 0) RebuildIndex();
    return true;
}

bool ReportList::SetItemData(int row, void* data) {
    if (!Valid(row)) return false;
    m_rows[StorageIndex(row)].data = data;
    return true;
}

void* ReportList::GetItemData(int row) const {
    return Valid(row) ? m_rows[StorageIndex(row)].data : nullptr;
}

bool ReportList::DeleteAllItems() {
    m_rows.clear();
    m_byFoldedName.clear();
    return true;
}

bool ReportList::SortItems(sap::ListCompareFunc compare, std::intptr_t param) {
    // Ascending in display order, equal rows keeping their order: in storage
    // (the reverse) that is descending, with equal rows still reversed.
    std::reverse(m_rows.begin(), m_rows.end());
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [&](const Row& a, const Row& b) { return compare(a.data, b.data, param) < 0; });
    std::reverse(m_rows.begin(), m_rows.end());
    RebuildIndex();
    return true;
}

const std::string& ReportList::Text(int row, int column) const {
    return m_rows.at(StorageIndex(row)).texts.at(static_cast<std::size_t>(column));
}

void ReportList::RebuildIndex() {
    m_byFoldedName.clear();
    // Newest first, so that with equal folded names the top row is the one found.
    for (std::size_t i = m_rows.size(); i-- > 0;) m_byFoldedName.emplace(Fold(m_rows[i].texts[0]), i);
}

}  // namespace report
