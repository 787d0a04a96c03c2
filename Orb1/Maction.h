// A tree of named actions: each item has an identifier, a text, a prompt, an
// enabled and a changed flag, and something to do.
#pragma once

#include "types/CString.h"
#include "types/wintypes.h"

#include <functional>
#include <memory>
#include <vector>

class MActionItem {
public:
    MActionItem(UINT id, const char* text, const char* prompt = "", std::function<void()> action = nullptr);
    virtual ~MActionItem() = default;

    UINT GetId() const { return m_id; }
    const CString& GetText() const { return m_text; }
    const CString& GetPrompt() const { return m_prompt; }
    void SetText(const char* text);
    BOOL IsEnabled() const { return m_bEnabled; }
    void Enable(BOOL enabled);
    BOOL IsChanged() const { return m_bChanged; }
    void ClearChanged() { m_bChanged = FALSE; }

    // Adds a child and returns it (owned by this item).
    MActionItem* Add(std::unique_ptr<MActionItem> child);
    const std::vector<std::unique_ptr<MActionItem>>& Children() const { return m_children; }

    // Runs the action when enabled; FALSE when disabled or without an action.
    virtual BOOL DoAction();

private:
    UINT m_id;
    CString m_text;
    CString m_prompt;
    BOOL m_bEnabled = TRUE;
    BOOL m_bChanged = FALSE;
    std::function<void()> m_action;
    std::vector<std::unique_ptr<MActionItem>> m_children;
};

class MActionInfo {
public:
    explicit MActionInfo(const char* name) : m_name(name), m_root(0, name) {}

    const char* GetName() const { return m_name; }
    MActionItem& Root() { return m_root; }
    // Depth first, parents before their children.
    void ForEach(const std::function<void(MActionItem&)>& visit);
    MActionItem* Find(UINT id);
    // Every item below the root.
    int Count();
    int CountChanged();
    BOOL DoAction(UINT id);

private:
    const char* m_name;
    MActionItem m_root;
};
