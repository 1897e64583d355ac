#include <gtest/gtest.h>

#include "TestWindow.h"

BEGIN_MESSAGE_MAP(CBaseTestWnd, CWnd)
    ON_COMMAND(100, OnBaseCommand)
    ON_COMMAND(101, OnOverridden)
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CTestWnd, CBaseTestWnd)
    ON_WM_CLOSE()
    ON_COMMAND(101, OnOverridden)
    ON_COMMAND(0x9000, OnCommand0x9000)
    ON_UPDATE_COMMAND_UI(102, OnUpdate102)
    ON_UPDATE_COMMAND_UI(103, OnUpdate103)
    ON_COMMAND(103, OnCommand103)
END_MESSAGE_MAP()

TEST(MessageMap, DerivedEntriesWinAndBaseEntriesAreFoundThroughTheChain) {
    CTestWnd wnd;
    wnd.SendMessage(WM_COMMAND, 101);
    wnd.SendMessage(WM_COMMAND, 100);
    wnd.SendMessage(WM_COMMAND, 0x9000);
    EXPECT_EQ(wnd.m_log, (std::vector<std::string>{"derived 101", "base 100", "derived 9000"}));
}

TEST(MessageMap, HandlerInfoAnswersWithoutCalling) {
    CTestWnd wnd;
    AFX_CMDHANDLERINFO info;
    EXPECT_TRUE(wnd.OnCmdMsg(100, CN_COMMAND, nullptr, &info));
    EXPECT_EQ(info.pTarget, &wnd);
    EXPECT_FALSE(wnd.OnCmdMsg(555, CN_COMMAND, nullptr, &info));
    EXPECT_TRUE(wnd.m_log.empty());
}

TEST(CommandRouting, FrameworkRangeGoesOnToTheApplicationObject) {
    CTestWnd wnd;
    AFX_CMDHANDLERINFO info;
    // ID_APP_EXIT is handled by the application object only.
    ASSERT_TRUE(wnd.OnCmdMsg(ID_APP_EXIT, CN_COMMAND, nullptr, &info));
    EXPECT_EQ(info.pTarget, AfxGetApp());
}

TEST(CmdUI, EnabledExactlyWhenAHandlerLiesOnTheRoute) {
    CTestWnd wnd;
    struct Case {
        UINT id;
        BOOL flag;
        int enabled;  // -1: untouched
        int checked;
    };
    const Case cases[] = {
        {100, TRUE, TRUE, -1},          // own base-class handler
        {555, TRUE, FALSE, -1},         // no handler anywhere
        {555, FALSE, -1, -1},           // no handler, flag clear: untouched
        {ID_APP_EXIT, TRUE, TRUE, -1},  // handler on the application object
        {102, TRUE, FALSE, -1},         // update handler disables despite the flag
        {103, TRUE, TRUE, 1},           // update handler checks; its command handler enables
        {0, TRUE, -1, -1},              // id 0 is never updated
        {0x1FFFF, TRUE, -1, -1},        // low word 0xFFFF is never updated
    };
    for (const Case& c : cases) {
        CRecordingCmdUI ui;
        ui.m_nID = c.id;
        ui.DoUpdate(&wnd, c.flag);
        EXPECT_EQ(ui.m_nEnabled, c.enabled) << c.id;
        EXPECT_EQ(ui.m_nChecked, c.checked) << c.id;
    }
}

TEST(CmdUI, UpdateHandlerThatEnablesWins) {
    CTestWnd wnd;
    wnd.m_bEnable102 = TRUE;
    CRecordingCmdUI ui;
    ui.m_nID = 102;  // no command handler, but the update handler enables it
    ui.DoUpdate(&wnd, TRUE);
    EXPECT_EQ(ui.m_nEnabled, TRUE);
}
