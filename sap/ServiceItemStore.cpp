#include "sap/ServiceItemStore.h"

#include <new>

#include "sap/CaseFold.h"

namespace sap {

namespace {

ServiceItem* AllocateWithNew() {
    return new (std::nothrow) ServiceItem();
}

ServiceItemAllocator g_allocator = &AllocateWithNew;

}  // namespace

ServiceItem* CreateServiceItem() {
    return g_allocator();
}

void DestroyServiceItem(ServiceItem* item) {
    delete item;
}

ServiceItemAllocator SetServiceItemAllocator(ServiceItemAllocator allocator) {
    ServiceItemAllocator previous = g_allocator;
    g_allocator = allocator ? allocator : &AllocateWithNew;
    return previous;
}

int CompareServiceItems(const void* itemA, const void* itemB, std::intptr_t column) {
    const auto* a = static_cast<const ServiceItem*>(itemA);
    const auto* b = static_cast<const ServiceItem*>(itemB);
    switch (column) {
        case 0:
            return CompareNoCase(a->name, b->name);
        case 1:
            return static_cast<int>(a->type) - static_cast<int>(b->type);
        case 2:
            return CompareNoCase(a->address, b->address);
        case 3:
            return static_cast<int>(a->hops) - static_cast<int>(b->hops);
        default:
            return 0;
    }
}

}  // namespace sap
