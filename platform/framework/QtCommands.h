// Ties Qt actions and buttons to command ids: triggering runs the command along
// the target's route; the controls show what the update handlers say, refreshed
// when a watched menu opens and on every idle pass.
#pragma once

#include "framework/CmdTarget.h"

#include <QObject>
#include <QPointer>
#include <vector>

class QAction;
class QAbstractButton;
class QMenu;
class QMenuBar;
class QWidget;
class CWinApp;
class CMenu;
class QPoint;

class CommandBinder : public QObject {
public:
    // The route starts at `target`; idle refreshes come from `app` when given.
    explicit CommandBinder(CCmdTarget& target, CWinApp* app = nullptr);
    ~CommandBinder() override;

    void Bind(QAction* action, UINT id);
    void Bind(QAbstractButton* button, UINT id);
    // Refreshes the menu's actions each time it is about to open.
    void WatchMenu(QMenu* menu);
    void Refresh();
    static UINT CommandId(const QObject* control);

private:
    void Apply(QAction* action);
    void Apply(QAbstractButton* button);
    CCmdTarget& m_target;
    CWinApp* m_app;
    int m_idleToken = 0;
    std::vector<QPointer<QAction>> m_actions;
    std::vector<QPointer<QAbstractButton>> m_buttons;
};

// Shows a CMenu in a Qt menu bar or pop-up menu. Before a pop-up opens, the
// update handlers along the target's route refresh its items; choosing an item
// runs its command. Changes made to the CMenu appear the next time it is shown.
class QtMenuMirror : public QObject {
public:
    QtMenuMirror(CMenu& menu, QMenuBar* bar, CCmdTarget& target);
    QtMenuMirror(CMenu& menu, QMenu* popup, CCmdTarget& target);
    ~QtMenuMirror() override;

    void Rebuild();

private:
    void ScheduleRebuild();
    void Fill(QWidget* into, CMenu& menu);
    void Refresh(QMenu* shown, CMenu& menu);
    CMenu& m_menu;
    QPointer<QMenuBar> m_bar;
    QPointer<QMenu> m_popup;
    CCmdTarget& m_target;
    std::vector<QPointer<QMenu>> m_created;
    bool m_refreshing = false;
    bool m_dirty = false;
    bool m_scheduled = false;
};

// Shows `menu` as a Qt pop-up at a screen point and waits until it closes:
// the chosen item's command id, or 0 when closed without a choice. Items show
// the state the CMenu holds; nothing runs.
UINT ExecPopupMenu(const CMenu& menu, const QPoint& at, QWidget* parent);
