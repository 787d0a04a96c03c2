#include "Maction.h"

MActionItem::MActionItem(UINT id, const char* text, const char* prompt, std::function<void()> action)
    : m_id(id), m_text(text), m_prompt(prompt), m_action(std::move(action))
{
}

void MActionItem::SetText(const char* text)
{
    if (m_text != text) {
        m_text = text;
        m_bChanged = TRUE;
    }
}

void MActionItem::Enable(BOOL enabled)
{
    enabled = enabled ? TRUE : FALSE;
    if (m_bEnabled != enabled) {
        m_bEnabled = enabled;
        m_bChanged = TRUE;
    }
}

MActionItem* MActionItem::Add(std::unique_ptr<MActionItem> child)
{
    m_children.push_back(std::move(child));
    return m_children.back().get();
}

BOOL MActionItem::DoAction()
{
    if (!m_bEnabled || !m_action)
        return FALSE;
    m_action();
    return TRUE;
}

namespace {
void Walk(MActionItem& item, const std::function<void(MActionItem&)>& visit)
{
    for (auto& child : item.Children()) {
        visit(*child);
        Walk(*child, visit);
    }
}
} // namespace

void MActionInfo::ForEach(const std::function<void(MActionItem&)>& visit) { Walk(m_root, visit); }

MActionItem* MActionInfo::Find(UINT id)
{
    MActionItem* found = nullptr;
    ForEach([&](MActionItem& item) {
        if (!found && item.GetId() == id)
            found = &item;
    });
    return found;
}

int MActionInfo::Count()
{
    int count = 0;
    ForEach([&](MActionItem&) { ++count; });
    return count;
}

int MActionInfo::CountChanged()
{
    int count = 0;
    ForEach([&](MActionItem& item) { count += item.IsChanged() ? 1 : 0; });
    return count;
}

BOOL MActionInfo::DoAction(UINT id)
{
    MActionItem* item = Find(id);
    return item ? item->DoAction() : FALSE;
}
