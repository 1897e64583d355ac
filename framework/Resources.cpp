#include "framework/Resources.h"

#include <map>
#include <memory>

#include "framework/ResourceImages.h"

struct AfxIcon {
    QIcon icon;
};

namespace {
const AfxResourceTable* g_table = nullptr;
}

void AfxSetResourceTable(const AfxResourceTable* table) { g_table = table; }

BOOL AfxLoadString(UINT nID, std::string& text) {
    if (g_table == nullptr) {
        return FALSE;
    }
    for (int i = 0; i < g_table->stringCount; ++i) {
        if (g_table->strings[i].nID == nID) {
            text = g_table->strings[i].text;
            return TRUE;
        }
    }
    return FALSE;
}

HICON AfxLoadIcon(UINT nID) {
    static std::map<UINT, std::unique_ptr<AfxIcon>> cache;
    if (auto it = cache.find(nID); it != cache.end()) {
        return it->second.get();
    }
    if (g_table == nullptr) {
        return nullptr;
    }
    for (int i = 0; i < g_table->iconCount; ++i) {
        const AfxIconResource& r = g_table->icons[i];
        if (r.nID != nID) {
            continue;
        }
        auto icon = std::make_unique<AfxIcon>();
        if (r.xpmLarge != nullptr) {
            icon->icon.addPixmap(QPixmap::fromImage(QImage(r.xpmLarge)));
        }
        if (r.xpmSmall != nullptr) {
            icon->icon.addPixmap(QPixmap::fromImage(QImage(r.xpmSmall)));
        }
        if (icon->icon.isNull()) {
            return nullptr;
        }
        HICON handle = icon.get();
        cache.emplace(nID, std::move(icon));
        return handle;
    }
    return nullptr;
}

const AfxMenuResource* AfxFindMenu(UINT nID) {
    for (int i = 0; g_table != nullptr && i < g_table->menuCount; ++i) {
        if (g_table->menus[i].nID == nID) {
            return &g_table->menus[i];
        }
    }
    return nullptr;
}

const AfxDialogResource* AfxFindDialog(UINT nID) {
    for (int i = 0; g_table != nullptr && i < g_table->dialogCount; ++i) {
        if (g_table->dialogs[i].nID == nID) {
            return &g_table->dialogs[i];
        }
    }
    return nullptr;
}

const AfxBitmapResource* AfxFindBitmap(UINT nID) {
    for (int i = 0; g_table != nullptr && i < g_table->bitmapCount; ++i) {
        if (g_table->bitmaps[i].nID == nID) {
            return &g_table->bitmaps[i];
        }
    }
    return nullptr;
}

namespace afx {

QIcon IconToQIcon(HICON icon) { return icon != nullptr ? icon->icon : QIcon(); }

QImage LoadBitmapImage(UINT nID) {
    const AfxBitmapResource* r = AfxFindBitmap(nID);
    return r != nullptr && r->xpm != nullptr ? QImage(r->xpm) : QImage();
}

}  // namespace afx
