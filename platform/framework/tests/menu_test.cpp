#include "framework/Keys.h"
#include "framework/Menu.h"
#include "framework/QtCommands.h"
#include "framework/WinApp.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>

namespace {

std::unique_ptr<CMenu> FileMenu()
{
    auto file = std::make_unique<CMenu>();
    file->AppendMenu(MF_STRING, 32811, "&Take Picture\tSPACE");
    file->AppendMenu(MF_SEPARATOR);
    CMenu* sendTo = file->AppendPopup("Send &To");
    sendTo->AppendMenu(MF_STRING, 32858, "&Film Roll");
    sendTo->AppendMenu(MF_STRING, 32855, "AOL &Mail");
    file->AppendMenu(MF_STRING, 57665, "E&xit");
    return file;
}

TEST(Menus, ItemsByIdReachIntoPopupsAndByPositionStayLocal)
{
    CMenu bar;
    CMenu* file = bar.AppendPopup("&File", FileMenu());
    EXPECT_EQ(file->GetMenuItemCount(), 4);
    EXPECT_EQ(file->GetMenuItemID(2), UINT(-1));
    EXPECT_EQ(file->GetMenuItemID(1), 0u);
    EXPECT_TRUE(bar.DeleteMenu(32855, MF_BYCOMMAND));   // inside File > Send To
    EXPECT_EQ(file->GetSubMenu(2)->GetMenuItemCount(), 1);
    EXPECT_FALSE(bar.DeleteMenu(32855, MF_BYCOMMAND));

    EXPECT_TRUE(file->DeleteMenu(32811, MF_BYCOMMAND));
    EXPECT_TRUE(file->InsertMenu(0, MF_BYPOSITION | MF_STRING, 32850, "&Start Capture\tSPACE"));
    CString text;
    file->GetMenuString(0, text, MF_BYPOSITION);
    EXPECT_EQ(text, "&Start Capture\tSPACE");
    EXPECT_EQ(bar.EnableMenuItem(32850, MF_GRAYED), MF_ENABLED);
    EXPECT_EQ(bar.GetMenuState(32850, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
    EXPECT_EQ(bar.EnableMenuItem(99999, MF_GRAYED), UINT(-1));
    EXPECT_TRUE(bar.ModifyMenu(57665, MF_BYCOMMAND, 57665, "&Quit"));
    EXPECT_FALSE(file->DeleteMenu(7, MF_BYPOSITION));
}

TEST(Menus, UpdateHandlersSetStateAndMayRemoveTheirOwnItem)
{
    CMenu view;
    view.AppendMenu(MF_STRING, 59392, "Hide &Toolbar");
    view.AppendMenu(MF_STRING, 32874, "&Viewer\tCtrl + V");
    view.AppendMenu(MF_STRING, 32873, "&Film Roll\tCtrl + F");
    view.AppendMenu(MF_STRING, 40000, "Nobody handles this");
    CCmdTarget target;
    bool toolbar = false;
    int filmRollUpdates = 0;
    target.OnUpdateCommand(59392, [&](CCmdUI* ui) { ui->SetText(toolbar ? "Hide &Toolbar" : "Show &Toolbar"); });
    target.OnUpdateCommand(32874, [&](CCmdUI*) { view.DeleteMenu(32874, MF_BYCOMMAND); });
    target.OnUpdateCommand(32873, [&](CCmdUI* ui) {
        ++filmRollUpdates;
        ui->SetCheck(1);
    });
    view.UpdateCommands(target);
    ASSERT_EQ(view.GetMenuItemCount(), 3);
    CString text;
    view.GetMenuString(0, text, MF_BYPOSITION);
    EXPECT_EQ(text, "Show &Toolbar");
    EXPECT_EQ(view.GetMenuItemID(1), 32873u);
    EXPECT_EQ(filmRollUpdates, 1);   // the item that moved up is updated once
    EXPECT_EQ(view.GetMenuState(32873, MF_BYCOMMAND) & MF_CHECKED, MF_CHECKED);
    EXPECT_EQ(view.GetMenuState(40000, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
}

TEST(Accelerators, KeysWithTheirModifiersRunEnabledCommands)
{
    CCmdTarget target;
    int records = 0, pictures = 0;
    target.OnCommand(32774, [&] { ++records; });
    target.OnCommand(32811, [&] { ++pictures; });
    target.OnUpdateCommand(32811, [](CCmdUI* ui) { ui->Enable(FALSE); });
    CAcceleratorTable table({{FVIRTKEY | FCONTROL, 'R', 32774}, {FVIRTKEY, VK_SPACE, 32811}});
    MSG ctrlR{nullptr, WM_KEYDOWN, 'R', 0, 0};
    SetModifierState(false, false, false);
    EXPECT_FALSE(table.Translate(ctrlR, target));
    SetModifierState(true, false, false);
    EXPECT_TRUE(table.Translate(ctrlR, target));
    EXPECT_EQ(records, 1);
    SetModifierState(false, false, false);
    MSG space{nullptr, WM_KEYDOWN, VK_SPACE, 0, 0};
    EXPECT_TRUE(table.Translate(space, target));   // matched, but its command is disabled
    EXPECT_EQ(pictures, 0);
    space.message = WM_KEYUP;
    EXPECT_FALSE(table.Translate(space, target));
}

struct Frame : CWnd {
    CAcceleratorTable accelerators{{{FVIRTKEY, VK_SPACE, 32811}}};
    int taken = 0;
    BOOL PreTranslateMessage(MSG* msg) override { return accelerators.Translate(*msg, *this); }
};

TEST(Accelerators, TheApplicationAsksTheWindowChainUpToTheMainWindow)
{
    CWinApp app;
    Frame frame;
    frame.Create(nullptr, "frame", 0, CRect());
    frame.OnCommand(32811, [&] { ++frame.taken; });
    CWnd view;
    view.Create(&frame, "", WS_CHILD, CRect(), 1);
    app.m_pMainWnd = &frame;
    SetModifierState(false, false, false);
    MSG msg{view.m_hWnd, WM_KEYDOWN, VK_SPACE, 0, 0};
    EXPECT_TRUE(app.PreTranslateMessage(&msg));
    EXPECT_EQ(frame.taken, 1);
    msg.wParam = 'Q';
    EXPECT_FALSE(app.PreTranslateMessage(&msg));
}

TEST(QtMenus, TheMirrorShowsTheMenuAndRefreshesItBeforeItOpens)
{
    int argc = 1;
    char name[] = "menu_test";
    char* argv[] = {name, nullptr};
    QApplication qapp(argc, argv);
    CMenu model;
    CMenu* file = model.AppendPopup("&File", FileMenu());
    CCmdTarget target;
    bool capturing = false;
    int taken = 0;
    target.OnCommand(32811, [&] { ++taken; });
    target.OnUpdateCommand(32811, [&](CCmdUI* ui) { ui->SetText(capturing ? "&Stop\tSPACE" : "&Take Picture\tSPACE"); });
    target.OnCommand(32858, [] {});

    QMenuBar bar;
    QtMenuMirror mirror(model, &bar, target);
    ASSERT_EQ(bar.actions().size(), 1);
    QMenu* fileMenu = bar.actions()[0]->menu();
    ASSERT_NE(fileMenu, nullptr);
    ASSERT_EQ(fileMenu->actions().size(), 4);   // separator included
    EXPECT_TRUE(fileMenu->actions()[1]->isSeparator());

    capturing = true;
    emit fileMenu->aboutToShow();
    QAction* first = fileMenu->actions()[0];
    EXPECT_EQ(first->text(), "&Stop\tSPACE");
    EXPECT_FALSE(fileMenu->actions()[3]->isEnabled());   // Exit: no handler anywhere
    first->trigger();
    EXPECT_EQ(taken, 1);

    file->DeleteMenu(0, MF_BYPOSITION);
    emit fileMenu->aboutToShow();
    EXPECT_EQ(fileMenu->actions().size(), 3);
}

} // namespace
