#include <QApplication>
#include <QElapsedTimer>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QProcess>
#include <QTemporaryDir>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

#include <gtest/gtest.h>

#include <string>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/MonitorApp.h"
#include "framework/MessageQueue.h"
#include "ui/ServiceListDialog.h"
#include "ui/res/ZorvikResources.h"
#include "ui/res/resource.h"

CMonitorApp theApp;

namespace {

// A loop that really waits, so that an open menu is "waiting for input".
void WaitingLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void Idle() {
    QCoreApplication::processEvents();
    for (LONG n = 0; theApp.OnIdle(n); ++n) {
    }
}

// The bars the checks look at.
struct Probe {
    static CDialogStatusBar& Status(CServiceListDialog* d) { return d->StatusBar(); }
    static CDialogToolBar& Tool(CServiceListDialog* d) { return d->ToolBar(); }
};

struct MainWindow : testing::Test {
    void SetUp() override {
        // InitInstance without its single-instance check, which a process
        // passes once (see SecondStart below).
        AfxSetResourceTable(&ZorvikResources());
        main = new CServiceListDialog;
        theApp.m_pMainWnd = main;
        ASSERT_TRUE(main->Create());
        hMain = main->GetSafeHwnd();
    }
    void TearDown() override {
        if (CWnd::FromHandle(hMain) != nullptr) {
            main->DestroyWindow();
        }
        while (AfxIsMessagePending() && theApp.PumpMessage()) {
        }
        QCoreApplication::processEvents();
        while (AfxIsMessagePending() && theApp.PumpMessage()) {
        }
    }
    std::string Message() { return Probe::Status(main).GetPaneText(0); }
    QMenu* Popup(int index) {
        return main->GetWidget()->findChild<QMenuBar*>()->actions().at(index)->menu();
    }
    CServiceListDialog* main = nullptr;
    HWND hMain = 0;
};

}  // namespace

TEST_F(MainWindow, StartsWithHeadersToolbarReadyAndCountAfterIdle) {
    auto* view = static_cast<QTreeView*>(main->m_listServices.GetWidget());
    const char* headings[] = {"Service Name", "Type", "Network Address - Net:Node:Socket", "Hops"};
    const int widths[] = {185, 46, 190, 49};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(main->m_listServices.GetColumnHeading(i), headings[i]);
        EXPECT_EQ(view->columnWidth(i), widths[i]);
    }
    EXPECT_EQ(main->m_listServices.GetItemCount(), 0);
    EXPECT_EQ(main->GetWidget()->windowTitle(), "Zorvik");
    EXPECT_EQ(main->m_bGathering, 0);
    EXPECT_EQ(Message(), "Ready");
    EXPECT_EQ(Probe::Status(main).GetPaneText(1), "0000");
    Idle();
    EXPECT_EQ(Probe::Status(main).GetPaneText(1), "0");
    CDialogToolBar& tb = Probe::Tool(main);
    const UINT order[] = {ID_APP_EXIT, 0, ID_SAVE_LIST, 0, ID_START_GATHERING, ID_STOP_GATHERING, 0,
                          ID_CLEAR_LIST, 0, ID_SHOW_ABOUT};
    ASSERT_EQ(tb.GetButtonCount(), 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(tb.GetItemID(i), order[i]);
        if (order[i] != 0) {
            EXPECT_TRUE(tb.IsButtonEnabled(i)) << i;  // every command has a handler
        }
    }
    if (const char* shot = std::getenv("ZORVIK_SCREENSHOT")) {
        main->GetWidget()->grab().save(QString::fromLocal8Bit(shot));
    }
}

TEST_F(MainWindow, LayoutLowersTheListByTheToolbarAndGrowsByBothBars) {
    CRect list;
    main->m_listServices.GetWindowRect(&list);
    main->ScreenToClient(&list);
    CRect templ{7, 3, 7 + 316, 3 + 213};
    main->MapDialogRect(&templ);
    const int toolbar = Probe::Tool(main).CalcFixedHeight();
    EXPECT_EQ(list.left, templ.left);
    EXPECT_EQ(list.top, templ.top + toolbar);
    CRect client;
    main->GetClientRect(&client);
    CRect whole{0, 0, 330, 223};
    main->MapDialogRect(&whole);
    EXPECT_EQ(client.Width(), whole.Width());
    EXPECT_EQ(client.Height(), whole.Height() + toolbar + Probe::Status(main).CalcFixedHeight());
    // The bars sit at the client edges, full width.
    CRect status;
    Probe::Status(main).GetWindowRect(&status);
    main->ScreenToClient(&status);
    EXPECT_EQ(status, (CRect{0, client.bottom - Probe::Status(main).CalcFixedHeight(), client.right,
                             client.bottom}));
    CRect tool;
    Probe::Tool(main).GetWindowRect(&tool);
    main->ScreenToClient(&tool);
    EXPECT_EQ(tool, (CRect{0, 0, client.right, toolbar}));
}

TEST_F(MainWindow, SavePromptShowsOnlyOnceTheMenuWaitsAndReadyWhenItCloses) {
    QMenu* file = Popup(0);
    file->popup(QPoint(0, 0));
    file->setActiveAction(file->actions().at(0));
    QCoreApplication::processEvents();
    EXPECT_EQ(main->m_nIDPromptPending, static_cast<UINT>(ID_SAVE_LIST));
    EXPECT_EQ(Message(), "Ready");
    WaitingLoop(30);
    EXPECT_EQ(Message(), "Save SAP data to file");
    file->hide();
    QCoreApplication::processEvents();
    EXPECT_EQ(Message(), "Ready");
}

TEST_F(MainWindow, PromptRulesAndSetPromptResults) {
    struct Case {
        UINT id, flags, pending;
    };
    const Case cases[] = {{0xF060, 0, 0xEF06}, {0xF000, 0, 0xEF00}, {0xF1F0, 0, 0xF1F0},
                          {0xEFFF, 0, 0xEFFF}, {1009, MF_POPUP, 0},  {1009, MF_SEPARATOR, 0},
                          {0, 0, 0},           {1009, 0, 1009}};
    for (const Case& c : cases) {
        main->OnMenuSelect(c.id, c.flags, nullptr);
        EXPECT_EQ(main->m_nIDPromptPending, c.pending) << std::hex << c.id;
    }
    EXPECT_EQ(main->OnSetPrompt(1009, 0), AFX_IDS_IDLEMESSAGE);
    EXPECT_EQ(main->OnSetPrompt(0, 0), 1009);  // no text change
    EXPECT_EQ(Message(), "Save SAP data to file");
    EXPECT_EQ(main->OnSetPrompt(0xEF06, 0), 0);  // no such string: text stays
    EXPECT_EQ(Message(), "Save SAP data to file");
    EXPECT_EQ(main->OnSetPrompt(0xEF06, 0), 0xEF06);
}

TEST_F(MainWindow, ViewTogglesHideBarsInPlaceAndCheckMarksFollow) {
    QMenu* view = Popup(2);
    CDialogToolBar& tb = Probe::Tool(main);
    const QRect before = tb.GetWidget()->geometry();
    emit view->aboutToShow();
    EXPECT_TRUE(view->actions().at(1)->isChecked());
    main->SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);
    EXPECT_FALSE(tb.IsWindowVisible());
    emit view->aboutToShow();
    EXPECT_FALSE(view->actions().at(1)->isChecked());
    EXPECT_TRUE(view->actions().at(0)->isChecked());
    main->SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);
    EXPECT_EQ(tb.GetWidget()->geometry(), before);
}

TEST_F(MainWindow, HiddenStatusBarIsNotUpdatedAndCatchesUpWhenShown) {
    Idle();
    ASSERT_EQ(Probe::Status(main).GetPaneText(1), "0");
    main->SendMessage(WM_COMMAND, ID_VIEW_STATUS_BAR);
    ASSERT_FALSE(Probe::Status(main).IsWindowVisible());
    main->m_nServiceCount = 5;
    Idle();
    EXPECT_EQ(Probe::Status(main).GetPaneText(1), "0");
    main->SendMessage(WM_COMMAND, ID_VIEW_STATUS_BAR);
    Idle();
    EXPECT_EQ(Probe::Status(main).GetPaneText(1), "5");
    main->m_nServiceCount = 0;
}

TEST_F(MainWindow, CentredOnTheWorkAreaAndTheAboutBoxOverTheWindow) {
    QWidget* window = main->GetWidget();
    const QPoint workCentre = window->screen()->availableGeometry().center();
    const QPoint windowCentre = window->frameGeometry().center();
    EXPECT_LE((windowCentre - workCentre).manhattanLength(), 2) << windowCentre.x() << "," << windowCentre.y();

    // Moved off the screen's centre, so that centred over the window is not
    // centred on the screen by chance.
    window->move(10, 20);
    const QPoint movedCentre = window->frameGeometry().center();
    ASSERT_GT((movedCentre - workCentre).manhattanLength(), 50);
    QPoint boxCentre;
    QTimer::singleShot(0, [&boxCentre] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        boxCentre = box->frameGeometry().center();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    main->SendMessage(WM_COMMAND, ID_SHOW_ABOUT);
    EXPECT_LE((boxCentre - movedCentre).manhattanLength(), 2) << boxCentre.x() << "," << boxCentre.y();
}

TEST_F(MainWindow, EscapeEndsTheApplicationWithoutClose) {
    QTest::keyClick(main->m_listServices.GetWidget(), Qt::Key_Escape);
    EXPECT_TRUE(theApp.PumpMessage());  // IDCANCEL destroys the window
    EXPECT_EQ(CWnd::FromHandle(hMain), nullptr);
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
    EXPECT_FALSE(theApp.PumpMessage());  // the quit message
}

TEST_F(MainWindow, ExitCommandClosesAndTheLoopEndsWithZero) {
    main->PostMessage(WM_COMMAND, ID_APP_EXIT);
    EXPECT_EQ(theApp.Run(), 0);
    EXPECT_EQ(CWnd::FromHandle(hMain), nullptr);
}

TEST_F(MainWindow, AboutBoxIsModalAndClosesOnEsc) {
    QTimer::singleShot(0, [] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), "About Zorvik");
        QTest::keyClick(box, Qt::Key_Escape);
    });
    main->SendMessage(WM_COMMAND, ID_SHOW_ABOUT);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(MainWindow, SecondStartBringsTheFirstToTheFrontAndEndsWithZero) {
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    ASSERT_TRUE(IsFirstInstance());
    main->GetWidget()->showMinimized();
    ASSERT_TRUE(main->GetWidget()->isMinimized());

    QProcess second;  // a real second start of the program
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    second.setProcessEnvironment(env);
    second.start(ZORVIK_EXE, QStringList());
    QElapsedTimer clock;
    clock.start();
    while (second.state() != QProcess::NotRunning && clock.elapsed() < 15000) {
        WaitingLoop(10);
    }
    WaitingLoop(50);  // the request is read once the second start has gone
    ASSERT_EQ(second.state(), QProcess::NotRunning);
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(main->GetWidget()->isMinimized());
    qunsetenv("XDG_RUNTIME_DIR");
}

// Connects to the instance socket, sends bytes and closes; as uid when given
// (a forked child that changes user first). True when the bytes were sent.
bool SendToInstance(const std::string& path, const std::string& bytes, uid_t uid = static_cast<uid_t>(-1)) {
    const auto send = [&path, &bytes] {
        sockaddr_un addr {};
        addr.sun_family = AF_UNIX;
        path.copy(addr.sun_path, sizeof addr.sun_path - 1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const bool sent = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
                          ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        if (fd >= 0) {
            ::close(fd);
        }
        return sent;
    };
    if (uid == static_cast<uid_t>(-1)) {
        return send();
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(::setgid(uid) == 0 && ::setuid(uid) == 0 && send() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(MainWindow, InstanceSocketActsOnlyOnTheOwnersActivationRequest) {
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    ASSERT_TRUE(IsFirstInstance());
    qunsetenv("XDG_RUNTIME_DIR");
    const std::string path = runtime.filePath("zorvik.sock").toStdString();
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    main->GetWidget()->showMinimized();

    const std::string request = "ZORVIK-ACTIVATE\n";
    const std::string others[] = {"", "hello\n", "ZORVIK-ACTIVATE", request + "and more", "zorvik-activate\n",
                                  std::string(4096, 'A')};
    for (const std::string& bytes : others) {
        EXPECT_TRUE(SendToInstance(path, bytes));
        WaitingLoop(30);
        EXPECT_TRUE(main->GetWidget()->isMinimized()) << "acted on \"" << bytes.substr(0, 20) << "\"";
    }

    // Another user: the folder and the socket keep it out, and were they
    // opened up, the peer's credentials still would.
    if (::geteuid() == 0) {
        const uid_t nobody = 65534;
        EXPECT_FALSE(SendToInstance(path, request, nobody));
        ::chmod(runtime.path().toLocal8Bit().constData(), 0777);
        ::chmod(path.c_str(), 0666);
        EXPECT_TRUE(SendToInstance(path, request, nobody));
        WaitingLoop(30);
        EXPECT_TRUE(main->GetWidget()->isMinimized()) << "acted on another user's request";
        ::chmod(runtime.path().toLocal8Bit().constData(), 0700);
    }

    // The request itself still works after all that.
    EXPECT_TRUE(SendToInstance(path, request));
    WaitingLoop(50);
    EXPECT_FALSE(main->GetWidget()->isMinimized());
}

TEST_F(MainWindow, F1WithoutTheGuideSaysHelpFailed) {
    QTemporaryDir dir;
    // Without a desktop here, a missing guide is the failure that can be made.
    theApp.m_strHelpPath = dir.filePath("missing.html").toStdString();
    QString text;
    QTimer poll;  // answers the box once it is up
    QObject::connect(&poll, &QTimer::timeout, [&text, &poll] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = box->text();
            poll.stop();
            box->button(QMessageBox::Ok)->click();
        }
    });
    poll.start(5);
    QTest::keyClick(main->m_listServices.GetWidget(), Qt::Key_F1);
    for (int i = 0; i < 10 && text.isEmpty(); ++i) {
        theApp.PumpMessage();  // WM_HELP becomes ID_HELP at the application
    }
    EXPECT_EQ(text, "Failed to launch help.");
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    afx::InstallQueue();
    theApp.m_strAppName = "Zorvik";
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
