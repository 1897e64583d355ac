#pragma once

#include <cstdint>
#include <new>
#include <vector>

#include "sap/SapDatagram.h"
#include "sap/ServiceItem.h"
#include "sap/ServiceItemStore.h"
#include "sap/ServiceListControl.h"

namespace sap {

enum class AddResult { Added, Ignored, OutOfMemory };

// The table of distinct services, kept as the rows of a list control: one row
// per name (ignoring case), newest at the top, each with its record. The count
// lives with the owner (the main window) and always equals the rows added since
// the last Clear.
template <ServiceListControl List>
class ServiceTable {
public:
    ServiceTable(List& list, int& serviceCount) : m_list(list), m_nServiceCount(serviceCount) {}

    // The first advertisement of a name fixes its row; later ones are ignored.
    // Nothing in the table changes unless the whole row can be made.
    AddResult Add(const std::uint8_t* slot);

    // Offers every slot with a non-empty name to Add, in slot order. False when a
    // record could not be created; the scan stops there, rows added so far stay.
    bool Scan(const std::uint8_t* buffer);

    int RowCount() const { return m_list.GetItemCount(); }
    const ServiceItem* RecordAt(int row) const {
        return static_cast<const ServiceItem*>(m_list.GetItemData(row));
    }
    std::vector<const ServiceItem*> RecordsInDisplayOrder() const;

    // Destroys every row's record. The rows stay, with their references cleared
    // so that a second release cannot free a record twice.
    void ReleaseRecords();
    void Clear();
    void Sort(int column) { m_list.SortItems(&CompareServiceItems, column); }

private:
    List& m_list;
    int& m_nServiceCount;
};

template <ServiceListControl List>
AddResult ServiceTable<List>::Add(const std::uint8_t* slot) {
    const std::string_view name = SlotName(slot);
    if (m_list.FindItemNoCase(name) >= 0) return AddResult::Ignored;

    ServiceItem* item = CreateServiceItem();
    if (!item) return AddResult::OutOfMemory;
    const DecodedEntry entry = DecodeSlot(slot);
    try {
        item->name.assign(entry.name);
        item->type = entry.type;
        item->address = AddressText(entry);
        item->hops = entry.hops;
        if (m_list.InsertItem(0, item->name) != 0) {
            DestroyServiceItem(item);
            return AddResult::OutOfMemory;
        }
    } catch (const std::bad_alloc&) {
        DestroyServiceItem(item);
        return AddResult::OutOfMemory;
    }
    m_list.SetItemText(0, 1, TypeText(entry.type));
    m_list.SetItemText(0, 2, item->address);
    m_list.SetItemText(0, 3, HopsText(entry.hops));
    m_list.SetItemData(0, item);
    ++m_nServiceCount;
    return AddResult::Added;
}

template <ServiceListControl List>
bool ServiceTable<List>::Scan(const std::uint8_t* buffer) {
    for (std::size_t k = 0; k < kSlotCount; ++k) {
        const std::uint8_t* slot = SlotAt(buffer, k);
        if (SlotName(slot).empty()) continue;
        if (Add(slot) == AddResult::OutOfMemory) return false;
    }
    return true;
}

template <ServiceListControl List>
std::vector<const ServiceItem*> ServiceTable<List>::RecordsInDisplayOrder() const {
    const int count = RowCount();
    std::vector<const ServiceItem*> records;
    records.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
    for (int row = 0; row < count; ++row) records.push_back(RecordAt(row));
    return records;
}

template <ServiceListControl List>
void ServiceTable<List>::ReleaseRecords() {
    const int count = RowCount();
    for (int row = 0; row < count; ++row) {
        auto* item = static_cast<ServiceItem*>(m_list.GetItemData(row));
        if (!item) continue;
        DestroyServiceItem(item);
        m_list.SetItemData(row, nullptr);
    }
}

template <ServiceListControl List>
void ServiceTable<List>::Clear() {
    ReleaseRecords();
    m_list.DeleteAllItems();
    m_nServiceCount = 0;
}

}  // namespace sap
