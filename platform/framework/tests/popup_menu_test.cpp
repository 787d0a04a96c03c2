// Pop-up menus: the owner's update handlers set every item before the menu
// shows, the chosen command reaches the owner along its route, and a closed
// menu (Escape, a grey item, a second menu while one is open) sends nothing.
#include "framework/Menu.h"
#include "framework/QtCommands.h"
#include "framework/TestUiService.h"
#include "framework/Wnd.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>

namespace {

constexpr UINT kPlay = 32773, kStop = 32776, kCopy = 57634, kSaveAs = 57603, kLoop = 40001, kNobody = 40002;

struct PopupFixture : ::testing::Test {
    ScopedTestUi ui;
    CWnd view;
    CCmdTarget document;   // the route goes on to it, as a view's goes to its document
    CMenu menu;
    std::vector<UINT> ran;

    void SetUp() override
    {
        ResetMessageQueue();
        view.Create(nullptr, "view", WS_POPUP, CRect());
        view.AddCommandRoute(&document);
        menu.AppendMenu(MF_STRING, kPlay, "&Play");
        menu.AppendMenu(MF_STRING, kStop, "&Stop");
        menu.AppendMenu(MF_SEPARATOR);
        menu.AppendMenu(MF_STRING, kNobody, "Nobody handles this");
        CMenu* edit = menu.AppendPopup("&Edit");
        edit->AppendMenu(MF_STRING, kCopy, "&Copy");
        edit->AppendMenu(MF_STRING, kLoop, "&Loop");
        menu.AppendMenu(MF_STRING, kSaveAs, "Save &As...");
        for (UINT id : {kPlay, kStop, kCopy, kLoop})
            view.OnCommand(id, [this, id] { ran.push_back(id); });
        document.OnCommand(kSaveAs, [this] { ran.push_back(kSaveAs); });
        view.OnUpdateCommand(kStop, [](CCmdUI* ui) { ui->Enable(FALSE); });
        view.OnUpdateCommand(kLoop, [](CCmdUI* ui) { ui->Enable(); ui->SetCheck(); });
    }

    // Opens the menu at (300, 200) choosing `id`; then lets the owner's queue run.
    BOOL Choose(UINT id, UINT flags = TPM_LEFTALIGN | TPM_RIGHTBUTTON)
    {
        ui->ChooseNextPopupItem(id);
        const BOOL result = menu.TrackPopupMenu(flags, 300, 200, &view);
        PumpMessages();
        return result;
    }

    UINT ShownFlags(UINT id)
    {
        for (const auto& item : ui->popups.back().items)
            if (item.id == id)
                return item.flags;
        return UINT(-1);
    }
};

TEST_F(PopupFixture, UpdateHandlersGreyAndCheckItemsInsideSubMenusBeforeTheMenuShows)
{
    menu.CheckMenuItem(kPlay, MF_CHECKED);   // stale state the handlers must replace
    EXPECT_FALSE(Choose(0));
    ASSERT_EQ(ui->popups.size(), 1u);
    EXPECT_EQ(ui->popups[0].at, CPoint(300, 200));
    EXPECT_EQ(ui->popups[0].owner, view.GetSafeHwnd());
    struct Row {
        UINT id;
        UINT flags;
    } rows[] = {
        {kPlay, MF_ENABLED},      // a handler and no update handler: enabled, the check mark gone
        {kStop, MF_GRAYED},
        {kNobody, MF_GRAYED},
        {kCopy, MF_ENABLED},
        {kLoop, MF_CHECKED},
        {kSaveAs, MF_ENABLED},    // handled further along the route
    };
    for (const Row& r : rows)
        EXPECT_EQ(ShownFlags(r.id) & (MF_GRAYED | MF_CHECKED), r.flags) << r.id;
}

TEST_F(PopupFixture, TheChosenCommandReachesTheOwnerAlongItsRoute)
{
    struct Case {
        UINT chosen;
        BOOL result;
        std::vector<UINT> ran;
    } cases[] = {
        {kPlay, TRUE, {kPlay}},
        {kLoop, TRUE, {kLoop}},       // from the sub-menu
        {kSaveAs, TRUE, {kSaveAs}},   // the document's
        {0, FALSE, {}},               // Escape
        {kStop, FALSE, {}},           // grey: cannot be chosen
        {kNobody, FALSE, {}},
        {99999, FALSE, {}},           // not in the menu
    };
    for (const Case& c : cases) {
        ran.clear();
        EXPECT_EQ(Choose(c.chosen), c.result) << c.chosen;
        EXPECT_EQ(ran, c.ran) << c.chosen;
        EXPECT_EQ(PostedMessageCount(), 0u);
    }
}

TEST_F(PopupFixture, ReturnCommandHandsTheIdBackInsteadOfSendingIt)
{
    EXPECT_EQ(UINT(Choose(kCopy, TPM_RETURNCMD)), kCopy);
    EXPECT_TRUE(ran.empty());
}

TEST_F(PopupFixture, ASecondMenuWhileOneIsOpenIsRefusedAndNoOwnerNoMenu)
{
    CMenu other;
    other.AppendMenu(MF_STRING, kCopy, "&Copy");
    BOOL nested = TRUE;
    bool tried = false;
    // Its first run is while the first menu is being opened.
    view.OnUpdateCommand(kPlay, [&](CCmdUI* ui) {
        ui->Enable();
        if (!tried)
            nested = other.TrackPopupMenu(0, 0, 0, &view);
        tried = true;
    });
    EXPECT_TRUE(Choose(kPlay));
    EXPECT_FALSE(nested);
    EXPECT_EQ(ui->popups.size(), 1u);
    EXPECT_EQ(ran, std::vector<UINT>{kPlay});
    // Once closed, the next one opens.
    view.OnUpdateCommand(kPlay, [](CCmdUI* ui) { ui->Enable(); });
    ui->ChooseNextPopupItem(kCopy);
    EXPECT_TRUE(other.TrackPopupMenu(0, 0, 0, &view));

    CWnd never;   // no window behind it
    EXPECT_FALSE(menu.TrackPopupMenu(0, 0, 0, &never));
    EXPECT_FALSE(menu.TrackPopupMenu(0, 0, 0, nullptr));
    EXPECT_EQ(ui->popups.size(), 2u);
}

TEST(QtPopupMenu, ShowsTheMenuStateAndReturnsTheTriggeredItemOrNothing)
{
    int argc = 1;
    char name[] = "popup";
    char* argv[] = {name, nullptr};
    QApplication qapp(argc, argv);
    CMenu menu;
    menu.AppendMenu(MF_STRING, kPlay, "&Play");
    menu.AppendMenu(MF_STRING | MF_GRAYED, kStop, "&Stop");
    menu.AppendMenu(MF_SEPARATOR);
    menu.AppendPopup("&Edit")->AppendMenu(MF_STRING | MF_CHECKED, kLoop, "&Loop");

    struct Seen {
        QStringList texts;
        std::vector<bool> enabled, checked;
    };
    // Once the menu is up, notes what it shows and triggers the item `pick`
    // of the top level (or closes the menu for -1).
    auto drive = [&](int pick, Seen& seen) {
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [&seen, &poll, pick] {
            auto* shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!shown || !shown->isVisible())
                return;
            poll.stop();
            for (QAction* a : shown->actions()) {
                seen.texts << a->text();
                seen.enabled.push_back(a->isEnabled());
                seen.checked.push_back(a->menu() ? a->menu()->actions().value(0)->isChecked() : a->isChecked());
            }
            if (pick >= 0)
                shown->setActiveAction(shown->actions().value(pick));
            QKeyEvent key(QEvent::KeyPress, pick < 0 ? Qt::Key_Escape : Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(shown, &key);
        });
        poll.start();
        return ExecPopupMenu(menu, QPoint(10, 10), nullptr);
    };
    Seen seen;
    EXPECT_EQ(drive(0, seen), kPlay);
    EXPECT_EQ(seen.texts, (QStringList{"&Play", "&Stop", "", "&Edit"}));
    EXPECT_EQ(seen.enabled, (std::vector<bool>{true, false, true, true}));
    EXPECT_EQ(seen.checked, (std::vector<bool>{false, false, false, true}));
    Seen closed;
    EXPECT_EQ(drive(-1, closed), 0u);
    EXPECT_EQ(closed.texts.size(), 4);
}

}  // namespace
