// Menus as state: items with their ids, texts, flags and submenus; the menu
// bar of a window; TrackPopupMenu answered by the test's script.
#include "platform/sim/simulator.h"
#include "platform/sim/script.h"
#include "platform/sim/state.h"
#include "platform/sim/include/user32_wm.h"

#include <algorithm>
#include <cstring>

using namespace sim::detail;

namespace {

Menu* findMenu(HMENU menu) {
    auto& menus = state().menus;
    auto it = menus.find(key(menu));
    return it == menus.end() ? nullptr : &it->second;
}

HMENU newMenu(bool popup) {
    auto guard = lock();
    auto handle = newHandle();
    state().menus.emplace(handle, Menu{popup, {}});
    return toHandle<HMENU>(handle);
}

// The item that `item` names, by position or by command id (searched in
// submenus too, as Windows does).
MenuItem* findItem(HMENU menu, UINT item, bool byPosition, HMENU* owner = nullptr) {
    Menu* m = findMenu(menu);
    if (!m)
        return nullptr;
    if (byPosition) {
        if (item >= m->items.size())
            return nullptr;
        if (owner)
            *owner = menu;
        return &m->items[item];
    }
    for (auto& it : m->items) {
        if (!it.submenu && it.id == item) {
            if (owner)
                *owner = menu;
            return &it;
        }
        if (it.submenu)
            if (MenuItem* found = findItem(it.submenu, item, false, owner))
                return found;
    }
    return nullptr;
}

MenuItem itemFromFlags(UINT flags, UINT_PTR idNewItem, LPCSTR text) {
    MenuItem item;
    item.type = flags & (MF_SEPARATOR | MF_OWNERDRAW | MF_BITMAP | MF_MENUBREAK |
                         MF_MENUBARBREAK | MF_RIGHTJUSTIFY);
    item.state = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_DEFAULT);
    if (flags & MF_POPUP)
        item.submenu = reinterpret_cast<HMENU>(idNewItem);
    else
        item.id = static_cast<UINT>(idNewItem);
    if (flags & MF_OWNERDRAW)
        item.data = reinterpret_cast<ULONG_PTR>(text);
    else if (!(flags & (MF_SEPARATOR | MF_BITMAP)) && text)
        item.text = text;
    return item;
}

void apply(MenuItem& item, const MENUITEMINFOA& info) {
    if (info.fMask & (MIIM_TYPE | MIIM_FTYPE))
        item.type = info.fType;
    if ((info.fMask & MIIM_STRING) || ((info.fMask & MIIM_TYPE) && !(info.fType & (MFT_SEPARATOR | MFT_BITMAP | MFT_OWNERDRAW))))
        item.text = info.dwTypeData ? info.dwTypeData : "";
    if (info.fMask & MIIM_STATE)
        item.state = info.fState;
    if (info.fMask & MIIM_ID)
        item.id = info.wID;
    if (info.fMask & MIIM_SUBMENU)
        item.submenu = info.hSubMenu;
    if (info.fMask & MIIM_DATA)
        item.data = info.dwItemData;
    if (info.fMask & MIIM_BITMAP)
        item.bitmap = info.hbmpItem;
}

void describe(HMENU menu, const std::string& indent, std::vector<std::string>& out) {
    Menu* m = findMenu(menu);
    if (!m)
        return;
    for (const auto& item : m->items) {
        if (item.type & MF_SEPARATOR) {
            out.push_back(indent + "-");
            continue;
        }
        std::string text = indent + ((item.state & MF_GRAYED) ? "~" : "") + item.text;
        if (item.submenu) {
            out.push_back(text + ">");
            describe(item.submenu, indent + "  ", out);
        } else {
            out.push_back(text);
        }
    }
}

} // namespace

HMENU CreateMenu() { return newMenu(false); }
HMENU CreatePopupMenu() { return newMenu(true); }

BOOL DestroyMenu(HMENU menu) {
    auto guard = lock();
    Menu* m = findMenu(menu);
    if (!m)
        return FALSE;
    std::vector<HMENU> submenus;
    for (auto& item : m->items)
        if (item.submenu)
            submenus.push_back(item.submenu);
    state().menus.erase(key(menu));
    for (HMENU sub : submenus)
        DestroyMenu(sub);
    return TRUE;
}

BOOL IsMenu(HMENU menu) {
    auto guard = lock();
    return findMenu(menu) != nullptr;
}

BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR idNewItem, LPCSTR newItem) {
    auto guard = lock();
    Menu* m = findMenu(menu);
    if (!m)
        return FALSE;
    m->items.push_back(itemFromFlags(flags, idNewItem, newItem));
    return TRUE;
}

BOOL InsertMenuItemA(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFOA* info) {
    auto guard = lock();
    Menu* m = findMenu(menu);
    if (!m || !info)
        return FALSE;
    MenuItem created;
    apply(created, *info);
    std::size_t at = m->items.size();
    if (byPosition)
        at = std::min<std::size_t>(item, m->items.size());
    else
        for (std::size_t i = 0; i < m->items.size(); ++i)
            if (m->items[i].id == item)
                at = i;
    m->items.insert(m->items.begin() + static_cast<long>(at), created);
    return TRUE;
}

BOOL SetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFOA* info) {
    auto guard = lock();
    MenuItem* it = findItem(menu, item, byPosition);
    if (!it || !info)
        return FALSE;
    apply(*it, *info);
    return TRUE;
}

BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOA info) {
    auto guard = lock();
    MenuItem* it = findItem(menu, item, byPosition);
    if (!it || !info)
        return FALSE;
    if (info->fMask & (MIIM_TYPE | MIIM_FTYPE))
        info->fType = it->type;
    if (info->fMask & MIIM_STATE)
        info->fState = it->state;
    if (info->fMask & MIIM_ID)
        info->wID = it->id;
    if (info->fMask & MIIM_SUBMENU)
        info->hSubMenu = it->submenu;
    if (info->fMask & MIIM_DATA)
        info->dwItemData = it->data;
    if (info->fMask & MIIM_BITMAP)
        info->hbmpItem = it->bitmap;
    if (info->fMask & (MIIM_STRING | MIIM_TYPE)) {
        if (info->dwTypeData && info->cch > 0) {
            std::size_t n = std::min<std::size_t>(it->text.size(), info->cch - 1);
            std::memcpy(info->dwTypeData, it->text.data(), n);
            info->dwTypeData[n] = '\0';
        }
        info->cch = static_cast<UINT>(it->text.size());
    }
    return TRUE;
}

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) {
    HMENU sub = nullptr;
    {
        auto guard = lock();
        HMENU owner = nullptr;
        MenuItem* it = findItem(menu, position, flags & MF_BYPOSITION, &owner);
        if (!it)
            return FALSE;
        sub = it->submenu;
    }
    RemoveMenu(menu, position, flags);
    if (sub)
        DestroyMenu(sub);
    return TRUE;
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) {
    auto guard = lock();
    HMENU owner = nullptr;
    MenuItem* it = findItem(menu, position, flags & MF_BYPOSITION, &owner);
    if (!it)
        return FALSE;
    auto& items = findMenu(owner)->items;
    items.erase(items.begin() + (it - items.data()));
    return TRUE;
}

BOOL EnableMenuItem(HMENU menu, UINT id, UINT enable) {
    auto guard = lock();
    MenuItem* it = findItem(menu, id, enable & MF_BYPOSITION);
    if (!it)
        return -1;
    BOOL previous = static_cast<BOOL>(it->state & (MF_GRAYED | MF_DISABLED));
    it->state = (it->state & ~static_cast<UINT>(MF_GRAYED | MF_DISABLED)) |
                (enable & (MF_GRAYED | MF_DISABLED));
    return previous;
}

DWORD CheckMenuItem(HMENU menu, UINT id, UINT check) {
    auto guard = lock();
    MenuItem* it = findItem(menu, id, check & MF_BYPOSITION);
    if (!it)
        return static_cast<DWORD>(-1);
    DWORD previous = it->state & MF_CHECKED;
    it->state = (it->state & ~static_cast<UINT>(MF_CHECKED)) | (check & MF_CHECKED);
    return previous;
}

int GetMenuItemCount(HMENU menu) {
    auto guard = lock();
    Menu* m = findMenu(menu);
    return m ? static_cast<int>(m->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
    auto guard = lock();
    Menu* m = findMenu(menu);
    if (!m || position < 0 || static_cast<std::size_t>(position) >= m->items.size())
        return static_cast<UINT>(-1);
    const auto& item = m->items[static_cast<std::size_t>(position)];
    return item.submenu ? static_cast<UINT>(-1) : item.id;
}

UINT GetMenuState(HMENU menu, UINT id, UINT flags) {
    auto guard = lock();
    MenuItem* it = findItem(menu, id, flags & MF_BYPOSITION);
    if (!it)
        return static_cast<UINT>(-1);
    return it->state | it->type | (it->submenu ? MF_POPUP : 0);
}

HMENU GetSubMenu(HMENU menu, int position) {
    auto guard = lock();
    Menu* m = findMenu(menu);
    if (!m || position < 0 || static_cast<std::size_t>(position) >= m->items.size())
        return nullptr;
    return m->items[static_cast<std::size_t>(position)].submenu;
}

int GetMenuStringA(HMENU menu, UINT item, LPSTR text, int maxCount, UINT flags) {
    auto guard = lock();
    MenuItem* it = findItem(menu, item, flags & MF_BYPOSITION);
    if (!it)
        return 0;
    if (!text || maxCount <= 0)
        return static_cast<int>(it->text.size());
    int n = std::min<int>(static_cast<int>(it->text.size()), maxCount - 1);
    std::memcpy(text, it->text.data(), static_cast<std::size_t>(n));
    text[n] = '\0';
    return n;
}

BOOL SetMenu(HWND hwnd, HMENU menu) {
    RECT client{};
    {
        auto guard = lock();
        Window* w = findWindow(hwnd);
        if (!w || (w->style & WS_CHILD))
            return FALSE;
        w->menu = menu;
    }
    GetClientRect(hwnd, &client); // the menu bar takes from the client area
    SendMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    return TRUE;
}

HMENU GetMenu(HWND hwnd) {
    auto guard = lock();
    Window* w = findWindow(hwnd);
    return w ? w->menu : nullptr;
}

BOOL DrawMenuBar(HWND hwnd) { return IsWindow(hwnd); }

BOOL TrackPopupMenu(HMENU menu, UINT flags, int, int, int, HWND hwnd, const RECT*) {
    UINT choice = 0;
    {
        auto guard = lock();
        if (!findMenu(menu))
            return FALSE;
        std::vector<std::string> texts;
        describe(menu, "", texts);
        state().trackedMenus.emplace_back(menu, texts);
        choice = nextPopupMenuChoice().value_or(0);
        MenuItem* item = choice ? findItem(menu, choice, false) : nullptr;
        if (!item || (item->state & (MF_GRAYED | MF_DISABLED)))
            choice = 0;
    }
    if (flags & TPM_RETURNCMD)
        return static_cast<BOOL>(choice);
    if (choice && !(flags & TPM_NONOTIFY))
        PostMessageA(hwnd, WM_COMMAND, choice, 0);
    return TRUE;
}

namespace sim {

bool ChooseMenuItem(HWND hwnd, UINT id) {
    {
        auto guard = lock();
        Window* w = findWindow(hwnd);
        if (!w || !w->menu)
            return false;
        MenuItem* item = findItem(w->menu, id, false);
        if (!item || (item->state & (MF_GRAYED | MF_DISABLED)))
            return false;
    }
    SendMessageA(hwnd, WM_INITMENU, reinterpret_cast<WPARAM>(GetMenu(hwnd)), 0);
    return PostMessageA(hwnd, WM_COMMAND, id, 0);
}

std::vector<std::vector<std::string>> TrackedPopupMenus() {
    auto guard = lock();
    std::vector<std::vector<std::string>> out;
    for (auto& [menu, texts] : state().trackedMenus)
        out.push_back(texts);
    return out;
}

std::vector<std::string> MenuText(HMENU menu) {
    auto guard = lock();
    std::vector<std::string> out;
    describe(menu, "", out);
    return out;
}

} // namespace sim
