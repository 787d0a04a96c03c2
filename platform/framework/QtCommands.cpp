#include "framework/QtCommands.h"

#include "framework/WinApp.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenu>

namespace {
const char* const kIdProperty = "velmoraCommandId";
}

CommandBinder::CommandBinder(CCmdTarget& target, CWinApp* app) : m_target(target), m_app(app)
{
    if (m_app)
        m_idleToken = m_app->AddIdleRefresh([this] { Refresh(); });
}

CommandBinder::~CommandBinder()
{
    if (m_app)
        m_app->RemoveIdleRefresh(m_idleToken);
}

UINT CommandBinder::CommandId(const QObject* control)
{
    return control ? control->property(kIdProperty).toUInt() : 0;
}

void CommandBinder::Bind(QAction* action, UINT id)
{
    action->setProperty(kIdProperty, id);
    connect(action, &QAction::triggered, this, [this, id] { m_target.ExecuteCommand(id); });
    m_actions.emplace_back(action);
    Apply(action);
}

void CommandBinder::Bind(QAbstractButton* button, UINT id)
{
    button->setProperty(kIdProperty, id);
    connect(button, &QAbstractButton::clicked, this, [this, id] { m_target.ExecuteCommand(id); });
    m_buttons.emplace_back(button);
    Apply(button);
}

void CommandBinder::WatchMenu(QMenu* menu)
{
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        for (QAction* action : menu->actions())
            if (CommandId(action))
                Apply(action);
    });
}

void CommandBinder::Refresh()
{
    std::erase_if(m_actions, [](const QPointer<QAction>& a) { return a.isNull(); });
    std::erase_if(m_buttons, [](const QPointer<QAbstractButton>& b) { return b.isNull(); });
    for (auto& action : std::vector(m_actions))
        if (action)
            Apply(action);
    for (auto& button : std::vector(m_buttons))
        if (button)
            Apply(button);
}

void CommandBinder::Apply(QAction* action)
{
    CCmdUI ui = m_target.QueryCommand(CommandId(action));
    action->setEnabled(ui.IsEnabled());
    if (ui.GetCheck() != 0 && !action->isCheckable())
        action->setCheckable(true);
    if (action->isCheckable())
        action->setChecked(ui.GetCheck() != 0);
    if (ui.HasText())
        action->setText(QString::fromLocal8Bit(ui.GetText().GetString()));
}

void CommandBinder::Apply(QAbstractButton* button)
{
    CCmdUI ui = m_target.QueryCommand(CommandId(button));
    button->setEnabled(ui.IsEnabled());
    if (button->isCheckable())
        button->setChecked(ui.GetCheck() != 0);
    if (ui.HasText())
        button->setText(QString::fromLocal8Bit(ui.GetText().GetString()));
}
