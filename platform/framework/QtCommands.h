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
class CWinApp;

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
