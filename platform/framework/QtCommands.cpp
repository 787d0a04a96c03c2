#include "framework/QtCommands.h"

#include "framework/WinApp.h"

#include "framework/Menu.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

namespace {

const char* const kIdProperty = "velmoraCommandId";

// A command item as a Qt action carrying its id, greyed and checked as the menu says.
QAction* ItemAction(const CMenu::Item& item, QObject* parent)
{
    auto* action = new QAction(QString::fromLocal8Bit(item.text.GetString()), parent);
    action->setProperty(kIdProperty, item.id);
    action->setEnabled(!(item.flags & (MF_GRAYED | MF_DISABLED)));
    action->setCheckable(item.flags & MF_CHECKED);
    action->setChecked(item.flags & MF_CHECKED);
    return action;
}

void FillPopup(QMenu& into, const CMenu& menu)
{
    for (const CMenu::Item& item : menu.Items()) {
        if (item.flags & MF_SEPARATOR)
            into.addSeparator();
        else if (item.popup)
            FillPopup(*into.addMenu(QString::fromLocal8Bit(item.text.GetString())), *item.popup);
        else
            into.addAction(ItemAction(item, &into));
    }
}

}  // namespace

UINT ExecPopupMenu(const CMenu& menu, const QPoint& at, QWidget* parent)
{
    QMenu popup(parent);
    FillPopup(popup, menu);
    QAction* chosen = popup.exec(at);
    return chosen ? CommandBinder::CommandId(chosen) : 0;
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

QtMenuMirror::QtMenuMirror(CMenu& menu, QMenuBar* bar, CCmdTarget& target)
    : m_menu(menu), m_bar(bar), m_target(target)
{
    m_menu.SetChangeListener([this] { ScheduleRebuild(); });
    Rebuild();
}

QtMenuMirror::QtMenuMirror(CMenu& menu, QMenu* popup, CCmdTarget& target)
    : m_menu(menu), m_popup(popup), m_target(target)
{
    m_menu.SetChangeListener([this] { ScheduleRebuild(); });
    connect(popup, &QMenu::aboutToShow, this, [this] { Refresh(m_popup, m_menu); });
    Rebuild();
}

QtMenuMirror::~QtMenuMirror() { m_menu.SetChangeListener(nullptr); }

void QtMenuMirror::ScheduleRebuild()
{
    m_dirty = true;
    if (m_refreshing || m_scheduled)
        return;   // a menu being refreshed is refilled by Refresh itself
    m_scheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_scheduled = false;
        if (m_dirty)
            Rebuild();
    });
}

void QtMenuMirror::Rebuild()
{
    // Menus on the screen stay as they are until they close.
    if (QApplication::activePopupWidget()) {
        QTimer::singleShot(50, this, [this] { Rebuild(); });
        return;
    }
    for (auto& created : m_created)
        if (created)
            created->deleteLater();
    m_created.clear();
    if (m_bar) {
        m_bar->clear();
        Fill(m_bar, m_menu);
    } else if (m_popup) {
        m_popup->clear();
        Fill(m_popup, m_menu);
    }
    m_dirty = false;
}

void QtMenuMirror::Fill(QWidget* into, CMenu& menu)
{
    auto* bar = qobject_cast<QMenuBar*>(into);
    auto* popup = qobject_cast<QMenu*>(into);
    for (const CMenu::Item& item : menu.Items()) {
        const QString text = QString::fromLocal8Bit(item.text.GetString());
        if (item.flags & MF_SEPARATOR) {
            if (popup)
                popup->addSeparator();
            continue;
        }
        if (item.popup) {
            QMenu* sub = bar ? bar->addMenu(text) : popup->addMenu(text);
            m_created.emplace_back(sub);
            CMenu* model = item.popup.get();
            connect(sub, &QMenu::aboutToShow, this, [this, sub, model] { Refresh(sub, *model); });
            Fill(sub, *model);
            continue;
        }
        QAction* action = ItemAction(item, into);
        into->addAction(action);
        const UINT id = item.id;
        connect(action, &QAction::triggered, this, [this, id] { m_target.ExecuteCommand(id); });
    }
}

void QtMenuMirror::Refresh(QMenu* shown, CMenu& menu)
{
    if (m_refreshing || !shown)
        return;
    m_refreshing = true;
    menu.UpdateCommands(m_target);
    // Only the menu about to open is refilled; the rest follows when shown.
    for (QAction* action : shown->actions())
        if (QMenu* sub = action->menu())
            sub->deleteLater();
    shown->clear();
    Fill(shown, menu);
    m_refreshing = false;
}
