#include <QApplication>
#include <QMenu>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "framework/WinApp.h"

namespace {

// A loop that really waits (QTest::qWait only sleeps between passes).
void WaitingLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

class CIdleWnd : public CWnd {
public:
    CIdleWnd() { Attach(new QWidget, 0); }
    void OnEnterIdle(UINT nWhy, CWnd*) { m_reasons.push_back(nWhy); }
    void OnMenuSelect(UINT, UINT, CMenu*) {}
    std::vector<UINT> m_reasons;
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CIdleWnd, CWnd)
    ON_WM_ENTERIDLE()
    ON_WM_MENUSELECT()
END_MESSAGE_MAP()

}  // namespace

TEST(MenuIdle, AnOpenMenuWaitingForInputTellsItsOwnerOncePerIdleStretch) {
    CIdleWnd wnd;
    wnd.GetWidget()->show();
    QMenu menu(wnd.GetWidget());
    menu.addAction("Save");
    menu.setProperty("afxOwner", QVariant::fromValue<quint64>(wnd.GetSafeHwnd()));
    QCoreApplication::processEvents();
    EXPECT_TRUE(wnd.m_reasons.empty());  // no menu open: nothing

    menu.popup(QPoint(10, 10));
    ASSERT_EQ(QApplication::activePopupWidget(), &menu);
    QCoreApplication::processEvents();  // a pass that does not wait
    EXPECT_TRUE(wnd.m_reasons.empty());
    WaitingLoop(30);  // the loop waits: the owner hears of it, once
    EXPECT_EQ(wnd.m_reasons, std::vector<UINT>{MSGF_MENU});

    // Another message (a highlight) starts a new stretch.
    wnd.PostMessage(WM_MENUSELECT, MAKEWPARAM(1009, MF_HILITE), 0);
    WaitingLoop(30);
    EXPECT_EQ(wnd.m_reasons, (std::vector<UINT>{MSGF_MENU, MSGF_MENU}));
    menu.hide();
}
