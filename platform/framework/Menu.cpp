#include "framework/Menu.h"

#include "framework/Keys.h"
#include "framework/UiService.h"
#include "framework/Wnd.h"

BOOL CMenu::AppendMenu(UINT flags, UINT id, const char* text)
{
    return InsertMenu(UINT(-1), flags | MF_BYPOSITION, id, text);
}

CMenu* CMenu::AppendPopup(const char* text, std::unique_ptr<CMenu> popup)
{
    if (!popup)
        return nullptr;
    Item item;
    item.id = UINT(-1);
    item.text = text;
    item.flags = MF_POPUP;
    item.popup = std::move(popup);
    item.popup->m_parent = this;
    CMenu* result = item.popup.get();
    m_items.push_back(std::move(item));
    Changed();
    return result;
}

CMenu* CMenu::Locate(UINT position, UINT flags, size_t& index)
{
    if (flags & MF_BYPOSITION) {
        if (position >= m_items.size())
            return nullptr;
        index = position;
        return this;
    }
    for (size_t i = 0; i < m_items.size(); ++i) {
        Item& item = m_items[i];
        if (item.popup) {
            if (CMenu* found = item.popup->Locate(position, flags, index))
                return found;
        } else if (!(item.flags & MF_SEPARATOR) && item.id == position) {
            index = i;
            return this;
        }
    }
    return nullptr;
}

const CMenu* CMenu::Locate(UINT position, UINT flags, size_t& index) const
{
    return const_cast<CMenu*>(this)->Locate(position, flags, index);
}

void CMenu::Changed()
{
    for (CMenu* m = this; m; m = m->m_parent)
        if (m->m_changed) {
            m->m_changed();
            return;
        }
}

BOOL CMenu::InsertMenu(UINT position, UINT flags, UINT id, const char* text)
{
    CMenu* menu = this;
    size_t index = m_items.size();
    if (flags & MF_BYPOSITION) {
        if (position < m_items.size())
            index = position;
    } else if (!(menu = Locate(position, flags, index))) {
        return FALSE;
    }
    Item item;
    item.id = (flags & MF_SEPARATOR) ? 0 : id;
    item.text = (flags & MF_SEPARATOR) || !text ? "" : text;
    item.flags = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR);
    menu->m_items.insert(menu->m_items.begin() + ptrdiff_t(index), std::move(item));
    Changed();
    return TRUE;
}

BOOL CMenu::ModifyMenu(UINT position, UINT flags, UINT id, const char* text)
{
    size_t index;
    CMenu* menu = Locate(position, flags, index);
    if (!menu)
        return FALSE;
    Item& item = menu->m_items[index];
    if (!item.popup)
        item.id = (flags & MF_SEPARATOR) ? 0 : id;
    item.text = text ? text : "";
    item.flags = (item.flags & MF_POPUP) | (flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR));
    Changed();
    return TRUE;
}

BOOL CMenu::DeleteMenu(UINT position, UINT flags)
{
    size_t index;
    CMenu* menu = Locate(position, flags, index);
    if (!menu)
        return FALSE;
    menu->m_items.erase(menu->m_items.begin() + ptrdiff_t(index));
    Changed();
    return TRUE;
}

UINT CMenu::EnableMenuItem(UINT position, UINT flags)
{
    size_t index;
    CMenu* menu = Locate(position, flags, index);
    if (!menu)
        return UINT(-1);
    Item& item = menu->m_items[index];
    const UINT previous = item.flags & (MF_GRAYED | MF_DISABLED);
    const UINT wanted = flags & (MF_GRAYED | MF_DISABLED);
    if (previous != wanted) {
        item.flags = (item.flags & ~(MF_GRAYED | MF_DISABLED)) | wanted;
        Changed();
    }
    return previous;
}

UINT CMenu::CheckMenuItem(UINT position, UINT flags)
{
    size_t index;
    CMenu* menu = Locate(position, flags, index);
    if (!menu)
        return UINT(-1);
    Item& item = menu->m_items[index];
    const UINT previous = item.flags & MF_CHECKED;
    if (previous != (flags & MF_CHECKED)) {
        item.flags = (item.flags & ~MF_CHECKED) | (flags & MF_CHECKED);
        Changed();
    }
    return previous;
}

UINT CMenu::GetMenuItemID(int position) const
{
    if (position < 0 || size_t(position) >= m_items.size())
        return 0;
    const Item& item = m_items[size_t(position)];
    return item.popup ? UINT(-1) : item.id;
}

int CMenu::GetMenuString(UINT position, CString& text, UINT flags) const
{
    size_t index;
    const CMenu* menu = Locate(position, flags, index);
    text = menu ? menu->m_items[index].text : CString();
    return text.GetLength();
}

UINT CMenu::GetMenuState(UINT position, UINT flags) const
{
    size_t index;
    const CMenu* menu = Locate(position, flags, index);
    return menu ? menu->m_items[index].flags : UINT(-1);
}

CMenu* CMenu::GetSubMenu(int position) const
{
    if (position < 0 || size_t(position) >= m_items.size())
        return nullptr;
    return m_items[size_t(position)].popup.get();
}

void CMenu::UpdateCommands(CCmdTarget& target)
{
    // A handler may delete its own item (or others): go by index and look again.
    size_t i = 0;
    while (i < m_items.size()) {
        const Item& item = m_items[i];
        if (item.popup || (item.flags & MF_SEPARATOR)) {
            ++i;
            continue;
        }
        const UINT id = item.id;
        const size_t count = m_items.size();
        CCmdUI ui(id);
        target.UpdateCommandUI(ui);
        const bool stillHere = i < m_items.size() && m_items[i].id == id;
        if (m_items.size() < count && !stillHere)
            continue;   // it deleted itself: whatever now stands at i is next
        if (stillHere) {
            EnableMenuItem(UINT(i), MF_BYPOSITION | (ui.IsEnabled() ? MF_ENABLED : MF_GRAYED));
            CheckMenuItem(UINT(i), MF_BYPOSITION | (ui.GetCheck() ? MF_CHECKED : MF_UNCHECKED));
            if (ui.HasText() && m_items[i].text != ui.GetText())
                ModifyMenu(UINT(i), MF_BYPOSITION | (m_items[i].flags & ~MF_POPUP), id, ui.GetText());
        }
        ++i;
    }
}

void CMenu::UpdateAllCommands(CCmdTarget& target)
{
    UpdateCommands(target);
    for (size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].popup)
            m_items[i].popup->UpdateAllCommands(target);
}

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner)
{
    // One pop-up at a time: a second right click while one is open (its
    // nested loop still delivers messages) is ignored.
    static bool tracking = false;
    if (tracking || !owner || !owner->GetSafeHwnd())
        return FALSE;
    tracking = true;
    UpdateAllCommands(*owner);
    const UINT chosen = Ui().TrackPopupMenu(*this, CPoint(x, y), owner->GetSafeHwnd());
    tracking = false;
    if (chosen == 0)
        return FALSE;
    if (flags & TPM_RETURNCMD)
        return BOOL(chosen);
    return owner->PostMessage(WM_COMMAND, WPARAM(chosen), 0);
}

BOOL CAcceleratorTable::Translate(const MSG& msg, CCmdTarget& target) const
{
    if (msg.message != WM_KEYDOWN)
        return FALSE;
    const bool control = GetKeyState(VK_CONTROL) < 0;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    const bool alt = GetKeyState(VK_MENU) < 0;
    for (const ACCEL& a : m_entries) {
        if (!(a.fVirt & FVIRTKEY) || a.key != msg.wParam)
            continue;
        if (bool(a.fVirt & FCONTROL) != control || bool(a.fVirt & FSHIFT) != shift ||
            bool(a.fVirt & FALT) != alt)
            continue;
        target.ExecuteCommand(a.cmd);
        return TRUE;
    }
    return FALSE;
}
