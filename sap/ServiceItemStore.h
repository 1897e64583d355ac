#pragma once

#include <cstdint>

#include "sap/ServiceItem.h"

namespace sap {

// Creates an empty record, or returns nullptr when no memory can be had.
ServiceItem* CreateServiceItem();
void DestroyServiceItem(ServiceItem* item);

// Lets tests make record creation fail; nullptr restores the ordinary allocator.
using ServiceItemAllocator = ServiceItem* (*)();
ServiceItemAllocator SetServiceItemAllocator(ServiceItemAllocator allocator);

// The list's sort comparison: items are ServiceItem records, param the column.
int CompareServiceItems(const void* itemA, const void* itemB, std::intptr_t column);

}  // namespace sap
