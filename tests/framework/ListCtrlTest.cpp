#include <cstring>

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QHeaderView>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

#include "framework/ListCtrl.h"
#include "framework/WinApp.h"
#include "sap/ServiceListControl.h"

static_assert(sap::ServiceListControl<CListCtrl>);

namespace {

class CListParent : public CWnd {
public:
    CListParent() { Attach(new QWidget, 0); }
    void OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
        m_nClicked = reinterpret_cast<NM_LISTVIEW*>(pNMHDR)->iSubItem;
        m_nFrom = pNMHDR->idFrom;
        *pResult = 0;
    }
    int m_nClicked = -1;
    UINT m_nFrom = 0;
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CListParent, CWnd)
    ON_NOTIFY(LVN_COLUMNCLICK, 1000, OnColumnClick)
END_MESSAGE_MAP()

struct ListFixture : testing::Test {
    void SetUp() override {
        ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect{0, 0, 470, 300}, &parent, 1000));
        list.InsertColumn(0, "Service Name", LVCFMT_LEFT, 185);
        list.InsertColumn(1, "Type", LVCFMT_LEFT, 46);
    }
    CListParent parent;
    CListCtrl list;
};

int CompareText(const void* a, const void* b, std::intptr_t) {
    return std::strcmp(static_cast<const char*>(a), static_cast<const char*>(b));
}

}  // namespace

TEST_F(ListFixture, TopInsertsComeFirstAndSearchFoldsOnlyAToZ) {
    for (const char* name : {"alpha", "BETA", "Gamma\xC9"}) {
        ASSERT_EQ(list.InsertItem(0, name), 0);
    }
    EXPECT_EQ(list.GetItemCount(), 3);
    EXPECT_EQ(list.GetItemText(0, 0), "Gamma\xC9");
    EXPECT_EQ(list.GetItemText(2, 0), "alpha");
    struct Case {
        const char* text;
        int row;
    };
    const Case cases[] = {{"ALPHA", 2}, {"beta", 1}, {"gAMMA\xC9", 0}, {"gamma\xE9", -1},
                          {"alph", -1}, {"alphaa", -1}, {"", -1}};
    for (const Case& c : cases) {
        EXPECT_EQ(list.FindItemNoCase(c.text), c.row) << c.text;
    }
}

TEST_F(ListFixture, RenamingAndMiddleInsertsKeepTheIndexRight) {
    list.InsertItem(0, "one");
    list.InsertItem(0, "two");
    ASSERT_TRUE(list.SetItemText(1, 0, "uno"));
    EXPECT_EQ(list.FindItemNoCase("one"), -1);
    EXPECT_EQ(list.FindItemNoCase("UNO"), 1);
    EXPECT_EQ(list.InsertItem(1, "middle"), 1);
    EXPECT_EQ(list.FindItemNoCase("uno"), 2);
    EXPECT_EQ(list.FindItemNoCase("two"), 0);
    EXPECT_EQ(list.InsertItem(99, "end"), 3);  // past the end: appended
    EXPECT_EQ(list.InsertItem(-1, "bad"), -1);
    EXPECT_FALSE(list.SetItemText(7, 0, "x"));
}

TEST_F(ListFixture, SubitemTextsAreIndependentAndDataIsKept) {
    list.InsertItem(0, "name");
    list.SetItemText(0, 3, "2");
    list.SetItemText(0, 1, "0004");
    list.SetItemText(0, 2, "00000001:000000000001:0451");
    list.SetItemText(0, 1, "0278");
    int record = 0;
    list.SetItemData(0, &record);
    EXPECT_EQ(list.GetItemText(0, 0), "name");
    EXPECT_EQ(list.GetItemText(0, 1), "0278");
    EXPECT_EQ(list.GetItemText(0, 2), "00000001:000000000001:0451");
    EXPECT_EQ(list.GetItemText(0, 3), "2");
    EXPECT_EQ(list.GetItemData(0), &record);
    EXPECT_EQ(list.FindItemNoCase("NAME"), 0);
}

TEST_F(ListFixture, ManyInsertsReachTheViewAsOneBlockPerFrame) {
    auto* view = static_cast<QTreeView*>(list.GetWidget());
    int insertSignals = 0;
    QObject::connect(view->model(), &QAbstractItemModel::rowsInserted,
                     [&insertSignals] { ++insertSignals; });
    for (int i = 0; i < 5000; ++i) {
        list.InsertItem(0, AfxFormat("S%d", i));
    }
    EXPECT_EQ(list.GetItemCount(), 5000);
    EXPECT_EQ(list.GetViewRowCount(), 0);  // the view has not been told yet
    EXPECT_EQ(list.FindItemNoCase("s4999"), 0);
    QTest::qWait(40);
    EXPECT_EQ(list.GetViewRowCount(), 5000);
    EXPECT_EQ(insertSignals, 1);
    EXPECT_EQ(view->model()->data(view->model()->index(0, 0)).toString(), "S4999");
    ASSERT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(list.GetViewRowCount(), 0);
    EXPECT_EQ(list.FindItemNoCase("s1"), -1);
}

TEST_F(ListFixture, SortUsesTheProgramsComparisonAndIsRepeatable) {
    static char b[] = "b", a[] = "a", c[] = "c", a2[] = "a";
    const char* names[] = {"B1", "A1", "C1", "A2"};
    char* data[] = {b, a, c, a2};
    for (int i = 0; i < 4; ++i) {
        list.InsertItem(0, names[i]);
        list.SetItemData(0, data[i]);
    }
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(list.SortItems(&CompareText, 0));
        // Ties keep their display order: A2 was above A1.
        EXPECT_EQ(list.GetItemText(0, 0), "A2");
        EXPECT_EQ(list.GetItemText(1, 0), "A1");
        EXPECT_EQ(list.GetItemText(2, 0), "B1");
        EXPECT_EQ(list.GetItemText(3, 0), "C1");
        EXPECT_EQ(list.FindItemNoCase("c1"), 3);
    }
}

TEST_F(ListFixture, HeaderClickNotifiesTheParentAndTextsDisplaySafely) {
    auto* view = static_cast<QTreeView*>(list.GetWidget());
    emit view->header()->sectionClicked(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(parent.m_nClicked, 1);
    EXPECT_EQ(parent.m_nFrom, 1000u);
    EXPECT_EQ(list.GetColumnWidth(0), 185);
    EXPECT_EQ(list.GetColumnHeading(1), "Type");
    list.InsertItem(0, std::string("a\nb\0", 4));
    list.FlushViewUpdates();
    EXPECT_EQ(view->model()->data(view->model()->index(0, 0)).toString(),
              QString::fromUtf8("a\uFFFDb\uFFFD"));
    EXPECT_FALSE(view->model()->flags(view->model()->index(0, 0)) & Qt::ItemIsEditable);
}
