#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "framework/AfxRes.h"
#include "framework/Dialog.h"
#include "framework/ListCtrl.h"
#include "framework/Menu.h"
#include "framework/Resources.h"
#include "framework/WinApp.h"

namespace {

const AfxStringResource kStrings[] = {{1009, "Save SAP data to file"}};
const AfxMenuItemResource kMenuItems[] = {
    {MENU_POPUP, 0, "&File"}, {0, 1009, "Save"}, {MENU_SEPARATOR, 0, nullptr},
    {MENU_END, ID_APP_EXIT, "E&xit"},
    {MENU_POPUP | MENU_END, 0, "&Help"}, {MENU_END, 1007, "&About..."}};
const AfxMenuResource kMenus[] = {{103, kMenuItems, 6}};
const AfxDialogItemResource kMainItems[] = {
    {"SysListView32", "", 1000, 7, 3, 316, 213, WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT, 0}};
const AfxDialogItemResource kBoxItems[] = {
    {"Static", "A && B", -1, 40, 10, 119, 8, WS_CHILD | WS_VISIBLE, 0},
    {"Button", "OK", IDOK, 178, 7, 32, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0}};
const AfxDialogResource kDialogs[] = {
    {103, "Zorvik", 0, 0, 330, 223, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 103,
     "MS Sans Serif", 8, kMainItems, 1},
    {101, "About Zorvik", 0, 0, 217, 55, WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, "MS Sans Serif", 8,
     kBoxItems, 2},
    {200, "Broken", 0, 0, 10, 10, WS_POPUP, 0, 999, "MS Sans Serif", 8, nullptr, 0}};
const AfxResourceTable kTable = {kStrings, 1, kMenus, 1, kDialogs, 3, nullptr, 0, nullptr, 0};

std::vector<std::string>* g_log = nullptr;

class CTestMain : public CDialog {
public:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, 1000, m_list); }
    void OnOK() override {
        g_log->push_back("ok");
        DestroyWindow();
    }
    void OnCancel() override {
        g_log->push_back("cancel");
        DestroyWindow();
    }
    void PostNcDestroy() override {
        g_log->push_back("deleted");
        delete this;
    }
    void OnSave() { g_log->push_back("save"); }
    void OnMenuSelect(UINT id, UINT flags, CMenu*) { g_log->push_back(AfxFormat("select %u %04X", id, flags)); }
    void OnInitMenuPopup(CMenu* menu, UINT index, BOOL) {
        g_log->push_back(AfxFormat("init %u items %u", index, menu->GetMenuItemCount()));
    }
    CListCtrl m_list;
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestMain, CDialog)
    ON_COMMAND(1009, OnSave)
    ON_WM_MENUSELECT()
    ON_WM_INITMENUPOPUP()
END_MESSAGE_MAP()

struct DialogFixture : testing::Test {
    void SetUp() override {
        AfxSetResourceTable(&kTable);
        g_log = &log;
        main = new CTestMain;
        ASSERT_TRUE(main->Create(103));
    }
    void TearDown() override {
        if (CWnd::FromHandle(hwnd()) != nullptr) {
            main->DestroyWindow();
        }
        while (AfxIsMessagePending() && AfxGetApp()->PumpMessage()) {
        }
        g_log = nullptr;
    }
    HWND hwnd() const { return hMain; }
    void Drain() {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
        }
    }
    std::vector<std::string> log;
    CTestMain* main = nullptr;
    HWND hMain = 0;
};

}  // namespace

TEST_F(DialogFixture, TemplateBuildsInDialogUnitsWithTheListBoundAndFocused) {
    hMain = main->GetSafeHwnd();
    CRect client;
    main->GetClientRect(&client);
    CRect expect{0, 0, 330, 223};
    main->MapDialogRect(&expect);
    EXPECT_EQ(client, expect);
    EXPECT_TRUE(main->IsWindowVisible());
    ASSERT_NE(main->m_list.GetSafeHwnd(), 0u);
    EXPECT_EQ(main->GetDlgItem(1000), &main->m_list);
    EXPECT_EQ(main->m_list.InsertItem(0, "x"), 0);
    EXPECT_EQ(main->GetWidget()->focusWidget(), main->m_list.GetWidget());
}

TEST_F(DialogFixture, EnterAndEscReachOkAndCancelAndTheObjectDeletesItself) {
    hMain = main->GetSafeHwnd();
    QTest::keyClick(main->m_list.GetWidget(), Qt::Key_Escape);
    Drain();
    EXPECT_EQ(log, (std::vector<std::string>{"cancel", "deleted"}));
    EXPECT_EQ(CWnd::FromHandle(hMain), nullptr);
}

TEST_F(DialogFixture, CloseBoxPostsCancel) {
    hMain = main->GetSafeHwnd();
    main->GetWidget()->close();  // the window manager's close request
    Drain();
    EXPECT_EQ(log, (std::vector<std::string>{"cancel", "deleted"}));
}

TEST_F(DialogFixture, MenuItemsSendCommandsAndPopupsReportOpenHighlightAndClose) {
    hMain = main->GetSafeHwnd();
    auto* bar = main->GetWidget()->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    QMenu* file = bar->actions().at(0)->menu();
    ASSERT_NE(file, nullptr);
    file->popup(QPoint(0, 0));
    EXPECT_EQ(log.at(0), "init 0 items 3");  // sent before the popup shows
    file->setActiveAction(file->actions().at(0));
    Drain();
    EXPECT_EQ(log.back(), "select 1009 0080");
    file->hide();
    Drain();
    EXPECT_EQ(log.back(), "select 0 FFFF");
    file->actions().at(0)->trigger();
    Drain();
    EXPECT_EQ(log.back(), "save");
}

TEST_F(DialogFixture, ModalBoxEndsOnOkButtonEnterAndEsc) {
    hMain = main->GetSafeHwnd();
    AfxGetApp()->m_pMainWnd = main;
    struct Case {
        const char* how;
        int result;
    };
    for (const Case& c : {Case{"button", IDOK}, Case{"enter", IDOK}, Case{"esc", IDCANCEL},
                          Case{"close", IDCANCEL}}) {
        const std::string how = c.how;
        QTimer::singleShot(0, [how] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->windowTitle(), "About Zorvik");
            if (how == "button") {
                box->findChild<QPushButton*>()->click();
            } else if (how == "enter") {
                QTest::keyClick(box, Qt::Key_Return);
            } else if (how == "esc") {
                QTest::keyClick(box, Qt::Key_Escape);
            } else {
                box->close();
            }
        });
        CDialog about(101);
        EXPECT_EQ(about.DoModal(), c.result) << how;
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
    AfxGetApp()->m_pMainWnd = nullptr;
}

TEST(Dialog, MissingTemplateOrMenuFailsAfterTheObjectDeletedItself) {
    AfxSetResourceTable(&kTable);
    std::vector<std::string> log;
    g_log = &log;
    EXPECT_FALSE((new CTestMain)->Create(555));
    EXPECT_FALSE((new CTestMain)->Create(200));  // menu 999 does not exist
    EXPECT_EQ(log, (std::vector<std::string>{"deleted", "deleted"}));
    g_log = nullptr;
}
