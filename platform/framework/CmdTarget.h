// Command ids with handlers and update handlers. A menu item, tool bar button
// or push button carries an id; its state (enabled, checked, text) comes from
// the update handler found along the route, and choosing it runs the command
// handler. A command with neither handler is disabled.
#pragma once

#include "types/CString.h"
#include "types/wintypes.h"

#include <functional>
#include <map>
#include <vector>

class CCmdUI {
public:
    explicit CCmdUI(UINT id) : m_nID(id) {}
    virtual ~CCmdUI() = default;

    virtual void Enable(BOOL on = TRUE) { m_enabled = on != FALSE; m_enableSet = true; }
    virtual void SetCheck(int check = 1) { m_check = check; }
    virtual void SetRadio(BOOL on = TRUE) { m_check = on ? 1 : 0; }
    virtual void SetText(const char* text) { m_text = text; m_textSet = true; }

    bool IsEnabled() const { return m_enabled; }
    int GetCheck() const { return m_check; }
    bool HasText() const { return m_textSet; }
    const CString& GetText() const { return m_text; }

    UINT m_nID;

private:
    friend class CCmdTarget;
    bool m_enabled = false;
    bool m_enableSet = false;
    int m_check = 0;
    bool m_textSet = false;
    CString m_text;
};

class CCmdTarget {
public:
    using Handler = std::function<void()>;
    using RangeHandler = std::function<void(UINT id)>;
    using UpdateHandler = std::function<void(CCmdUI* ui)>;

    virtual ~CCmdTarget() = default;

    void OnCommand(UINT id, Handler handler);
    void OnCommandRange(UINT first, UINT last, RangeHandler handler);
    void OnUpdateCommand(UINT id, UpdateHandler handler);
    void OnUpdateCommandRange(UINT first, UINT last, UpdateHandler handler);

    // After this target's own handlers, the route continues with these, in order.
    void AddCommandRoute(CCmdTarget* next);
    void RemoveCommandRoute(CCmdTarget* next);

    // The state the command's controls should show.
    void UpdateCommandUI(CCmdUI& ui);
    CCmdUI QueryCommand(UINT id);
    // Runs the command when it is enabled; FALSE when disabled or unhandled.
    BOOL ExecuteCommand(UINT id);

    // One step of the route: TRUE when this target (or its routes) knows the id.
    // With ui null the command runs; otherwise the update handler fills ui.
    virtual BOOL OnCmdMsg(UINT id, CCmdUI* ui);

private:
    struct Range {
        UINT first;
        UINT last;
        RangeHandler run;
        UpdateHandler update;
    };
    bool HasHandler(UINT id) const;
    std::map<UINT, Handler> m_commands;
    std::map<UINT, UpdateHandler> m_updates;
    std::vector<Range> m_ranges;
    std::vector<CCmdTarget*> m_routes;
    bool m_routing = false;
};
