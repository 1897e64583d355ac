#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <functional>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "framework/CommonDialogs.h"
#include "framework/WinApp.h"

namespace {

// Runs action on the modal widget once it is up.
void WhenModal(std::function<void(QWidget*)> action) {
    QTimer::singleShot(0, [action] {
        for (int i = 0; i < 200 && QApplication::activeModalWidget() == nullptr; ++i) {
            QTest::qWait(5);
        }
        action(QApplication::activeModalWidget());
    });
}

}  // namespace

TEST(MessageBox, CaptionIsTheTitleAndButtonsMapToResults) {
    QString caption;
    QString text;
    WhenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        text = box->text();
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(AfxMessageBox("Stop?\n", MB_YESNO | MB_ICONEXCLAMATION), IDNO);
    EXPECT_EQ(caption, "Zorvik");
    EXPECT_EQ(text, "Stop?\n");

    WhenModal([](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::Yes)->click(); });
    EXPECT_EQ(AfxMessageBox("Stop?", MB_YESNO | MB_ICONEXCLAMATION), IDYES);

    WhenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Return); });
    EXPECT_EQ(AfxMessageBox("Failed", MB_OK | MB_ICONEXCLAMATION), IDOK);
}

TEST(FileDialog, TypedNameGetsTheDefaultExtension) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString typed = dir.filePath("report");
    QStringList filters;
    WhenModal([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(edit, nullptr);
        edit->setText(typed);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    CFileDialog fd(FALSE, "log", "sapdata.log", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                   "SAP Data (*.log)|*.log|");
    ASSERT_EQ(fd.DoModal(), IDOK);
    EXPECT_EQ(QString::fromStdString(fd.GetPathName()), typed + ".log");
    EXPECT_EQ(filters, QStringList{"SAP Data (*.log)"});
}

TEST(FileDialog, CancelGivesIdCancel) {
    WhenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    CFileDialog fd(FALSE, "log", nullptr, OFN_HIDEREADONLY, "SAP Data (*.log)|*.log|");
    EXPECT_EQ(fd.DoModal(), IDCANCEL);
}
