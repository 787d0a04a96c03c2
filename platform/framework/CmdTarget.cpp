#include "framework/CmdTarget.h"

#include <algorithm>

void CCmdTarget::OnCommand(UINT id, Handler handler) { m_commands[id] = std::move(handler); }

void CCmdTarget::OnCommandRange(UINT first, UINT last, RangeHandler handler)
{
    m_ranges.push_back(Range{first, last, std::move(handler), nullptr});
}

void CCmdTarget::OnUpdateCommand(UINT id, UpdateHandler handler) { m_updates[id] = std::move(handler); }

void CCmdTarget::OnUpdateCommandRange(UINT first, UINT last, UpdateHandler handler)
{
    m_ranges.push_back(Range{first, last, nullptr, std::move(handler)});
}

void CCmdTarget::AddCommandRoute(CCmdTarget* next)
{
    if (next && next != this && std::find(m_routes.begin(), m_routes.end(), next) == m_routes.end())
        m_routes.push_back(next);
}

void CCmdTarget::RemoveCommandRoute(CCmdTarget* next)
{
    m_routes.erase(std::remove(m_routes.begin(), m_routes.end(), next), m_routes.end());
}

bool CCmdTarget::HasHandler(UINT id) const
{
    if (m_commands.count(id))
        return true;
    return std::any_of(m_ranges.begin(), m_ranges.end(), [id](const Range& r) {
        return r.run && id >= r.first && id <= r.last;
    });
}

BOOL CCmdTarget::OnCmdMsg(UINT id, CCmdUI* ui)
{
    // Routes may point back at each other (frame to view to frame).
    if (m_routing)
        return FALSE;
    m_routing = true;
    struct Leave { bool& f; ~Leave() { f = false; } } leave{m_routing};

    if (ui) {
        auto up = m_updates.find(id);
        if (up != m_updates.end()) {
            ui->m_enabled = true;   // an update handler that says nothing enables
            up->second(ui);
            return TRUE;
        }
        for (const Range& r : m_ranges)
            if (r.update && id >= r.first && id <= r.last) {
                ui->m_enabled = true;
                r.update(ui);
                return TRUE;
            }
        if (HasHandler(id)) {
            ui->m_enabled = true;
            return TRUE;
        }
    } else {
        auto cmd = m_commands.find(id);
        if (cmd != m_commands.end()) {
            Handler run = cmd->second;   // the handler may replace itself
            run();
            return TRUE;
        }
        for (const Range& r : m_ranges)
            if (r.run && id >= r.first && id <= r.last) {
                RangeHandler run = r.run;
                run(id);
                return TRUE;
            }
    }
    for (CCmdTarget* next : std::vector<CCmdTarget*>(m_routes))
        if (next->OnCmdMsg(id, ui))
            return TRUE;
    return FALSE;
}

void CCmdTarget::UpdateCommandUI(CCmdUI& ui)
{
    ui.m_enabled = false;
    OnCmdMsg(ui.m_nID, &ui);
}

CCmdUI CCmdTarget::QueryCommand(UINT id)
{
    CCmdUI ui(id);
    UpdateCommandUI(ui);
    return ui;
}

BOOL CCmdTarget::ExecuteCommand(UINT id)
{
    if (!QueryCommand(id).IsEnabled())
        return FALSE;
    return OnCmdMsg(id, nullptr);
}
