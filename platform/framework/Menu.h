// Menus as the programs' logic sees them: items by id or position, texts with
// their "&" mnemonics and "\t" accelerator part, grey and check marks, pop-ups.
// A QtMenuMirror shows one; update handlers refresh it before it opens.
#pragma once

#include "framework/CmdTarget.h"
#include "framework/Messages.h"
#include "types/CString.h"

#include <functional>
#include <memory>
#include <vector>

constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_SEPARATOR = 0x0800;

constexpr UINT SC_MAXIMIZE = 0xF030;

// Pop-up menu flags (placement flags are taken and ignored: the menu opens
// with its top-left corner at the point).
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_RETURNCMD = 0x0100;

class CWnd;

class CMenu {
public:
    struct Item {
        UINT id = 0;
        CString text;
        UINT flags = 0;   // MF_GRAYED, MF_CHECKED, MF_SEPARATOR, MF_POPUP
        std::unique_ptr<CMenu> popup;
    };

    CMenu() = default;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    BOOL AppendMenu(UINT flags, UINT id = 0, const char* text = nullptr);
    // The menu owns the pop-up from now on; returns it.
    CMenu* AppendPopup(const char* text, std::unique_ptr<CMenu> popup = std::make_unique<CMenu>());
    // Inserts before the item at that position (MF_BYPOSITION, -1 or past the
    // end appends) or before the item with that id (searched in pop-ups too).
    BOOL InsertMenu(UINT position, UINT flags, UINT id, const char* text = nullptr);
    BOOL ModifyMenu(UINT position, UINT flags, UINT id, const char* text);
    // Deleting by command searches the pop-ups too.
    BOOL DeleteMenu(UINT position, UINT flags);
    BOOL RemoveMenu(UINT position, UINT flags) { return DeleteMenu(position, flags); }
    // Previous MF_GRAYED / MF_CHECKED state, or UINT(-1) for no such item.
    UINT EnableMenuItem(UINT position, UINT flags);
    UINT CheckMenuItem(UINT position, UINT flags);

    int GetMenuItemCount() const { return int(m_items.size()); }
    // UINT(-1) for a pop-up, 0 for a separator or a position out of range.
    UINT GetMenuItemID(int position) const;
    int GetMenuString(UINT position, CString& text, UINT flags) const;
    UINT GetMenuState(UINT position, UINT flags) const;
    CMenu* GetSubMenu(int position) const;
    const std::vector<Item>& Items() const { return m_items; }

    // Runs the update handlers of every command item (not the pop-ups' items)
    // and applies what they say; items without any handler are greyed.
    void UpdateCommands(CCmdTarget& target);

    // Shows the menu at screen point (x, y) for `owner`, once the update
    // handlers along the owner's route have set every item (pop-ups' too).
    // The chosen command is posted to the owner as WM_COMMAND, or with
    // TPM_RETURNCMD returned instead. FALSE (0) when nothing was chosen, and
    // at once while another pop-up menu is open.
    BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner);
    // UpdateCommands on this menu and every pop-up in it.
    void UpdateAllCommands(CCmdTarget& target);

    // Called after every change, for whatever shows this menu.
    void SetChangeListener(std::function<void()> listener) { m_changed = std::move(listener); }

private:
    // The menu holding the item and its index there; null when absent.
    CMenu* Locate(UINT position, UINT flags, size_t& index);
    const CMenu* Locate(UINT position, UINT flags, size_t& index) const;
    void Changed();

    std::vector<Item> m_items;
    std::function<void()> m_changed;
    CMenu* m_parent = nullptr;
};

// Keyboard accelerators: a key with modifiers runs a command id.
constexpr BYTE FVIRTKEY = 0x01;
constexpr BYTE FSHIFT = 0x04;
constexpr BYTE FCONTROL = 0x08;
constexpr BYTE FALT = 0x10;

struct ACCEL {
    BYTE fVirt;
    WORD key;
    WORD cmd;
};

class CAcceleratorTable {
public:
    CAcceleratorTable() = default;
    explicit CAcceleratorTable(std::vector<ACCEL> entries) : m_entries(std::move(entries)) {}
    void Add(ACCEL entry) { m_entries.push_back(entry); }
    // WM_KEYDOWN matching an entry (modifiers exactly as held) runs the command
    // when it is enabled. TRUE when an entry matched: the key is used up.
    BOOL Translate(const MSG& msg, CCmdTarget& target) const;

private:
    std::vector<ACCEL> m_entries;
};
