#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include "TestWindow.h"

namespace {

// Takes every message that is waiting, like a loop inside a handler.
int PumpAll(CWinApp* app) {
    int quits = 0;
    for (int i = 0; i < 1000 && AfxIsMessagePending(); ++i) {
        if (!app->PumpMessage()) {
            ++quits;
            break;
        }
    }
    return quits;
}

}  // namespace

TEST(MessageLoop, PostedMessagesArriveInOrderOneAtATime) {
    CTestWnd wnd;
    wnd.PostMessage(WM_COMMAND, 100);
    wnd.PostMessage(WM_COMMAND, 101);
    ASSERT_TRUE(AfxIsMessagePending());
    EXPECT_TRUE(AfxGetApp()->PumpMessage());
    EXPECT_EQ(wnd.m_log, (std::vector<std::string>{"base 100"}));
    EXPECT_TRUE(AfxGetApp()->PumpMessage());
    EXPECT_EQ(wnd.m_log, (std::vector<std::string>{"base 100", "derived 101"}));
}

TEST(MessageLoop, QuitComesAfterWhatWasPostedBeforeAndEndsThePump) {
    CTestWnd wnd;
    wnd.PostMessage(WM_COMMAND, 100);
    AfxPostQuitMessage(0);
    wnd.PostMessage(WM_COMMAND, 101);
    CWinApp* app = AfxGetApp();
    EXPECT_TRUE(app->PumpMessage());
    EXPECT_FALSE(app->PumpMessage());
    EXPECT_EQ(app->m_nExitCode, 0);
    EXPECT_EQ(wnd.m_log, (std::vector<std::string>{"base 100"}));
    EXPECT_TRUE(app->PumpMessage());  // what came after the quit is still delivered
    EXPECT_EQ(wnd.m_log.back(), "derived 101");
}

TEST(MessageLoop, MessageToAWindowThatIsGoneIsDropped) {
    auto* wnd = new CTestWnd;
    wnd->PostMessage(WM_COMMAND, 100);
    delete wnd;
    EXPECT_EQ(PumpAll(AfxGetApp()), 0);
}

TEST(MessageLoop, DestroyingTheMainWindowPostsQuitAndClearsThePointer) {
    CWinApp* app = AfxGetApp();
    CTestWnd wnd;
    app->m_pMainWnd = &wnd;
    wnd.PostMessage(WM_CLOSE);
    EXPECT_TRUE(app->PumpMessage());  // OnClose destroys the window
    EXPECT_EQ(wnd.m_nNcDestroyed, 1);
    EXPECT_EQ(app->m_pMainWnd, nullptr);
    EXPECT_EQ(wnd.GetSafeHwnd(), 0u);
    EXPECT_FALSE(app->PumpMessage());
}

TEST(MessageLoop, ANestedLoopMeetsTheQuitAndTheOuterLoopEndsWithCodeZero) {
    CWinApp* app = AfxGetApp();
    CTestWnd wnd;
    app->m_pMainWnd = &wnd;
    int innerQuits = 0;
    // Exit from inside a nested pump, as a gathering run would see it.
    QTimer::singleShot(0, [&] {
        wnd.PostMessage(WM_COMMAND, ID_APP_EXIT);
        for (int i = 0; i < 100000; ++i) {
            AfxWaitForMessageOrDescriptor(-1);
            if (!app->PumpMessage()) {
                ++innerQuits;
                AfxPostQuitMessage(0);
                break;
            }
        }
    });
    EXPECT_EQ(app->Run(), 0);
    EXPECT_EQ(innerQuits, 1);
    EXPECT_EQ(wnd.m_log, (std::vector<std::string>{"close"}));
    EXPECT_EQ(app->m_pMainWnd, nullptr);
}

TEST(MessageLoop, WaitReturnsForAReadableDescriptorWithoutDispatching) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    CTestWnd wnd;
    // Something for Qt to do meanwhile that is not one of our messages.
    QTimer::singleShot(20, [&] { ASSERT_EQ(::write(fds[1], "x", 1), 1); });
    AfxWaitForMessageOrDescriptor(fds[0]);
    char c = 0;
    EXPECT_EQ(::read(fds[0], &c, 1), 1);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(MessageLoop, WaitReturnsForAMessageAndLeavesItToThePump) {
    CTestWnd wnd;
    QTimer::singleShot(10, [&] { wnd.PostMessage(WM_COMMAND, 100); });
    AfxWaitForMessageOrDescriptor(-1);
    EXPECT_TRUE(wnd.m_log.empty());  // held, not dispatched
    EXPECT_TRUE(AfxIsMessagePending());
    EXPECT_TRUE(AfxGetApp()->PumpMessage());
    EXPECT_EQ(wnd.m_log, (std::vector<std::string>{"base 100"}));
}

TEST(MessageLoop, OtherEventLoopsDispatchMessagesDirectly) {
    CTestWnd wnd;
    wnd.PostMessage(WM_COMMAND, 100);
    QCoreApplication::processEvents();
    EXPECT_EQ(wnd.m_log, (std::vector<std::string>{"base 100"}));
}

TEST(MessageLoop, IdleCountsDownAndFormatHelperFormats) {
    CWinApp* app = AfxGetApp();
    EXPECT_TRUE(app->OnIdle(0));
    EXPECT_FALSE(app->OnIdle(1));
    EXPECT_EQ(AfxFormat("%ld", 42L), "42");
}
