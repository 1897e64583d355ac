#include <QCoreApplication>
#include <QToolButton>

#include <gtest/gtest.h>

#include "framework/AfxRes.h"
#include "framework/Bars.h"
#include "framework/Resources.h"
#include "framework/WinApp.h"

namespace {

const char* const kStrip[] = {"32 15 2 1", "k c #000000", "g c #C0C0C0",
    "kkkkkkkkkkkkkkkkgggggggggggggggg", "kkkkkkkkkkkkkkkkgggggggggggggggg",
    "kkkkkkkkkkkkkkkkgggggggggggggggg", "kkkkkkkkkkkkkkkkgggggggggggggggg",
    "kkkkkkkkkkkkkkkkgggggggggggggggg", "kkkkkkkkkkkkkkkkgggggggggggggggg",
    "kkkkkkkkkkkkkkkkgggggggggggggggg", "kkkkkkkkkkkkkkkkgggggggggggggggg",
    "kkkkkkkkkkkkkkkkgggggggggggggggg", "kkkkkkkkkkkkkkkkgggggggggggggggg",
    "kkkkkkkkkkkkkkkkgggggggggggggggg", "kkkkkkkkkkkkkkkkgggggggggggggggg",
    "kkkkkkkkkkkkkkkkgggggggggggggggg", "kkkkkkkkkkkkkkkkgggggggggggggggg",
    "kkkkkkkkkkkkkkkkgggggggggggggggg"};
const AfxStringResource kStrings[] = {{0xE706, "0000"}};
const AfxBitmapResource kBitmaps[] = {{129, kStrip}};
const AfxResourceTable kTable = {kStrings, 1, nullptr, 0, nullptr, 0, nullptr, 0, kBitmaps, 1};

class CBarParent : public CWnd {
public:
    CBarParent() {
        Attach(new QWidget, 0);
        GetWidget()->resize(400, 300);
    }
    void OnSave() {}
    void OnUpdateCount(CCmdUI* pCmdUI) {
        pCmdUI->SetText(AfxFormat("%ld", m_nCount).c_str());
        pCmdUI->Enable(TRUE);
    }
    LRESULT OnSetPrompt(WPARAM wParam, LPARAM) {
        m_prompts.push_back(static_cast<UINT>(wParam));
        return 0;
    }
    long m_nCount = 7;
    std::vector<UINT> m_prompts;
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBarParent, CWnd)
    ON_COMMAND(1009, OnSave)
    ON_UPDATE_COMMAND_UI(0xE706, OnUpdateCount)
    ON_MESSAGE(WM_SETMESSAGESTRING, OnSetPrompt)
END_MESSAGE_MAP()

}  // namespace

TEST(Bars, ToolbarButtonsFollowHandlersAndAPressAsksForThePrompt) {
    AfxSetResourceTable(&kTable);
    CBarParent parent;
    CToolBar bar;
    ASSERT_TRUE(bar.Create(&parent, WS_CHILD | WS_VISIBLE | CBRS_TOP, AFX_IDW_TOOLBAR));
    EXPECT_TRUE(bar.LoadBitmap(129));
    const UINT ids[] = {ID_APP_EXIT, 0, 1009, 0, 1005};
    ASSERT_TRUE(bar.SetButtons(ids, 5));
    const auto buttons = bar.GetWidget()->findChildren<QToolButton*>();
    ASSERT_EQ(buttons.size(), 3);
    // Separators are gaps: the second button starts one button and one gap on.
    EXPECT_EQ(buttons[1]->x() - buttons[0]->x(), CToolBar::kButtonWidth + CToolBar::kSeparatorWidth);
    bar.OnUpdateCmdUI(&parent, TRUE);
    EXPECT_TRUE(bar.IsButtonEnabled(0));   // the application object handles Exit
    EXPECT_TRUE(bar.IsButtonEnabled(2));   // the parent handles Save
    EXPECT_FALSE(bar.IsButtonEnabled(4));  // nobody handles 1005
    emit buttons[1]->pressed();
    QCoreApplication::processEvents();
    EXPECT_EQ(parent.m_prompts, std::vector<UINT>{1009});
}

TEST(Bars, StatusPanesSizeByTheirStringAndUpdateOnlyWhenChanged) {
    AfxSetResourceTable(&kTable);
    CBarParent parent;
    CStatusBar bar;
    ASSERT_TRUE(bar.Create(&parent, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR));
    const UINT panes[] = {ID_SEPARATOR, 0xE706};
    ASSERT_TRUE(bar.SetIndicators(panes, 2));
    EXPECT_EQ(bar.GetPaneText(1), "0000");
    bar.SetPaneInfo(0, bar.GetItemID(0), SBPS_STRETCH, 0);
    bar.SetMessageText("Ready");
    EXPECT_EQ(bar.GetPaneText(0), "Ready");
    EXPECT_EQ(bar.CommandToIndex(0xE706), 1);

    CRect rest;
    parent.RepositionBars(AFX_IDW_CONTROLBAR_FIRST, AFX_IDW_CONTROLBAR_LAST, 0, reposQuery, &rest);
    EXPECT_EQ(rest, (CRect{0, 0, 400, 300 - bar.CalcFixedHeight()}));
    parent.RepositionBars(AFX_IDW_CONTROLBAR_FIRST, AFX_IDW_CONTROLBAR_LAST, 0);
    // The message pane stretches; the count pane keeps the width of "0000".
    EXPECT_GT(bar.GetItemRect(0).Width(), bar.GetItemRect(1).Width());
    const int countWidth = bar.GetItemRect(1).Width();

    bar.OnUpdateCmdUI(&parent, TRUE);
    EXPECT_EQ(bar.GetPaneText(1), "7");
    EXPECT_EQ(bar.GetItemRect(1).Width(), countWidth);
    bar.EnablePane(1, FALSE);
    EXPECT_EQ(bar.GetPaneText(1), "7");  // kept, only not shown
    bar.EnablePane(1, TRUE);
}
