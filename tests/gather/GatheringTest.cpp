// The gathering run through the real main window (offscreen): captures written
// here, commands posted while the run waits, questions answered for real.

#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/stat.h>
#include <string>
#include <vector>

#include "CapturePackets.h"
#include "PcapWriter.h"
#include "app/MonitorApp.h"
#include "framework/MessageQueue.h"
#include "ipx/TolvSipxStatus.h"
#include "ipx/TolvSipxTesting.h"
#include "sap/ServiceItemStore.h"
#include "ui/ServiceListDialog.h"
#include "ui/res/ZorvikResources.h"
#include "ui/res/resource.h"

CMonitorApp theApp;

namespace fs = std::filesystem;
namespace cw = zorvik::capwrite;

namespace {

cw::ServiceEntry Service(const std::string& name, std::uint16_t type = 4, std::uint8_t net = 1,
                         std::uint16_t hops = 1) {
    cw::ServiceEntry entry;
    entry.name = name;
    entry.type = type;
    entry.network[3] = net;
    entry.node[5] = 1;
    entry.socket = 0x0451;
    entry.hops = hops;
    return entry;
}

cw::Bytes SapFrame(const std::vector<cw::ServiceEntry>& entries,
                   cw::Framing framing = cw::Framing::EthernetII) {
    cw::IpxEndpoint source;
    source.socket = cw::kSapSocket;
    return cw::ethernetFrame(framing, cw::ipxPacket(cw::sapBroadcast(), source, 4, cw::sapResponse(entries)));
}

void WriteCapture(const fs::path& path, const std::vector<cw::Bytes>& frames) {
    cw::PcapWriter writer;
    ASSERT_TRUE(writer.open(path.string(), cw::kLinkEthernet));
    std::uint64_t time = 0;
    for (const cw::Bytes& frame : frames) ASSERT_TRUE(writer.write(time += 1000, frame.data(), frame.size()));
    ASSERT_TRUE(writer.close());
}

// Runs action once cond holds; checked by a Qt timer, which keeps running
// while the gathering run waits for datagrams.
// Watchers still waiting when a test ends are dropped, so that none of them
// acts on the next test's window.
QObject* g_watchers = nullptr;

void When(std::function<bool()> cond, std::function<void()> action) {
    auto* timer = new QTimer(g_watchers);
    QObject::connect(timer, &QTimer::timeout, [timer, cond, action] {
        if (!cond()) return;
        timer->stop();
        timer->deleteLater();
        action();
    });
    timer->start(1);
}

QMessageBox* OpenMessageBox() {
    return qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
}

// Answers the next message box with button, recording its text.
void Answer(QMessageBox::StandardButton button, std::vector<std::string>* texts) {
    When([] { return OpenMessageBox() != nullptr; },
         [button, texts] {
             QMessageBox* box = OpenMessageBox();
             if (texts) texts->push_back(box->text().toStdString());
             box->button(button)->click();
         });
}

bool SocketIsClosed() {
    const std::uint8_t bytes[2] = {0x04, 0x52};
    std::uint16_t number;
    std::memcpy(&number, bytes, 2);
    std::uint32_t handle = 0;
    const char* configured = std::getenv("TOLVSIPX");
    const std::string saved = configured ? configured : "";
    setenv("TOLVSIPX", "file:/dev/null", 1);  // any transport; the socket check comes first
    const TOLVSIPX_STATUS status = TolvSipxOpenSocket(0, -1, &number, &handle);
    if (status >= 0) TolvSipxCloseSocket(handle);
    setenv("TOLVSIPX", saved.c_str(), 1);
    return status != TOLVSIPX_STATUS_SOCKET_ALREADY_OPEN;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

struct Probe {
    static CDialogStatusBar& Status(CServiceListDialog* d) { return d->StatusBar(); }
};

class Gathering : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zorvik-gather-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
        TolvSipxTestReset();
        g_watchers = new QObject;
        AfxSetResourceTable(&ZorvikResources());
        m_main = new CServiceListDialog;
        theApp.m_pMainWnd = m_main;
        ASSERT_TRUE(m_main->Create());
        m_hMain = m_main->GetSafeHwnd();
    }
    void TearDown() override {
        delete g_watchers;
        g_watchers = nullptr;
        if (CWnd::FromHandle(m_hMain)) m_main->DestroyWindow();
        Drain();
        fs::remove_all(m_dir);
    }
    static void Drain() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
            while (AfxIsMessagePending() && theApp.PumpMessage()) {
            }
        }
    }
    void UseCapture(const std::vector<cw::Bytes>& frames) {
        const fs::path path = m_dir / "sap.pcap";
        WriteCapture(path, frames);
        setenv("TOLVSIPX", ("file:" + path.string()).c_str(), 1);
    }
    // Start, wait until rows are in (the capture is then quiet), Stop.
    void GatherUntil(int rows) {
        When([this, rows] { return m_main->m_listServices.GetItemCount() >= rows; },
             [this] { m_main->PostMessage(WM_COMMAND, ID_STOP_GATHERING); });
        m_main->OnStartGathering();
    }
    void PostWhenRows(int rows, UINT message, WPARAM wParam) {
        When([this, rows] { return m_main->m_listServices.GetItemCount() >= rows; },
             [this, message, wParam] { m_main->PostMessage(message, wParam); });
    }
    std::vector<std::string> Column(int column) const {
        std::vector<std::string> texts;
        for (int i = 0; i < m_main->m_listServices.GetItemCount(); ++i)
            texts.push_back(m_main->m_listServices.GetItemText(i, column));
        return texts;
    }
    std::string CountPane() {
        for (LONG n = 0; theApp.OnIdle(n); ++n) {
        }
        return Probe::Status(m_main).GetPaneText(1);
    }
    void ClickHeader(int column) {
        auto* view = static_cast<QTreeView*>(m_main->m_listServices.GetWidget());
        QHeaderView* header = view->header();
        const QPoint at(header->sectionViewportPosition(column) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    fs::path m_dir;
    CServiceListDialog* m_main = nullptr;
    HWND m_hMain = 0;
};

TEST_F(Gathering, RowsNewestFirstWithTextsDuplicatesIgnoredAcrossFramings) {
    std::vector<cw::ServiceEntry> seven;
    for (int i = 0; i < 7; ++i) seven.push_back(Service("SRV" + std::to_string(i), 4, 1, 1));
    cw::IpxEndpoint source;
    source.socket = cw::kSapSocket;
    cw::Bytes truncated = SapFrame({Service("CUT")});
    truncated.resize(40);  // shorter than the IPX header claims
    UseCapture({
        SapFrame(seven, cw::Framing::Raw8023),
        SapFrame({Service("srv3", 0x0278, 9, 5)}, cw::Framing::Llc8022),  // same name, other case
        cw::ethernetFrame(cw::Framing::Snap, cw::ipxPacket(cw::sapBroadcast(), source, 4, cw::sapQuery(4))),
        truncated,
        SapFrame({Service("PRINT-Q", 0x0003, 0x22, 3)}, cw::Framing::Snap),
        SapFrame({Service("TIME", 0x026B, 0x10, 16)}, cw::Framing::EthernetII),
    });
    EXPECT_EQ(CountPane(), "0");
    GatherUntil(9);
    EXPECT_EQ(m_main->m_bGathering, 0);
    EXPECT_EQ(Column(0), (std::vector<std::string>{"TIME", "PRINT-Q", "SRV6", "SRV5", "SRV4", "SRV3",
                                                   "SRV2", "SRV1", "SRV0"}));
    EXPECT_EQ(Column(1)[0], "026B");
    EXPECT_EQ(Column(2)[0], "00000010:000000000001:0451");
    EXPECT_EQ(Column(3)[0], "16");
    EXPECT_EQ(Column(1)[5], "0004");  // SRV3 keeps its first advertisement
    EXPECT_EQ(m_main->m_nServiceCount, 9);
    EXPECT_EQ(CountPane(), "9");
    EXPECT_TRUE(SocketIsClosed());
}

TEST_F(Gathering, SharedCaptureListsItsNineServicesAndSavesThem) {
    const fs::path shared = fs::path(ZORVIK_SHARED_CAPTURES) / "mixed-framings-sap.pcap";
    if (!fs::exists(shared)) GTEST_SKIP() << "no shared capture at " << shared;
    setenv("TOLVSIPX", ("file:" + shared.string()).c_str(), 1);
    GatherUntil(9);
    std::vector<std::string> names = Column(0);
    ASSERT_EQ(names.size(), 9u);
    EXPECT_EQ(names.back(), "GIZMO!!!!!!!!!!A5569B20ABE511CE9CA400004C762832");  // first seen, at the bottom
    EXPECT_NE(std::find(names.begin(), names.end(), "ROOM-518F"), names.end());
}

// Types name into the save dialog's file name field and presses Enter.
void SaveAs(const std::string& name) {
    When([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) != nullptr; }, [name] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
        edit->setText(QString::fromStdString(name));
        QTest::keyClick(edit, Qt::Key_Return);
    });
}

TEST_F(Gathering, SaveWritesTheReportAndAsksBeforeReplacingIt) {
    UseCapture({SapFrame({Service("FS1", 4, 1, 1)})});
    GatherUntil(1);
    const std::string expected =
        "Service SAP Name                                   Type    Service SAP Address           Hops\r\n"
        "------------------------------------------------   ----    -------------------------    ----\r\n"
        "FS1                                                0004    00000001:000000000001:0451    01\r\n"
        "\r\n\r\nObject Count: 1";
    SaveAs((m_dir / "inventory").string());  // the dialog adds .log
    m_main->OnSaveList();
    EXPECT_EQ(ReadFile(m_dir / "inventory.log"), expected);

    std::vector<std::string> texts;
    SaveAs((m_dir / "inventory.log").string());
    Answer(QMessageBox::Yes, &texts);  // the overwrite prompt
    m_main->OnSaveList();
    EXPECT_EQ(texts.size(), 1u);
    EXPECT_EQ(ReadFile(m_dir / "inventory.log"), expected);
}

TEST_F(Gathering, SaveThatCannotWriteSaysWhereAndWhy) {
    UseCapture({SapFrame({Service("FS1")})});
    GatherUntil(1);
    const fs::path target = m_dir / "pipe.log";
    ASSERT_EQ(mkfifo(target.c_str(), 0600), 0);
    std::vector<std::string> texts;
    SaveAs(target.string());
    Answer(QMessageBox::Yes, &texts);  // replace it?
    When([&texts] { return texts.size() == 1 && !OpenMessageBox(); }, [&texts] { Answer(QMessageBox::Ok, &texts); });
    m_main->OnSaveList();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[1].find(target.string()), std::string::npos) << texts[1];
    EXPECT_NE(texts[1].find("Not a regular file"), std::string::npos) << texts[1];
    EXPECT_TRUE(fs::is_fifo(target));
}

TEST_F(Gathering, StopBeforeAnyDatagramClosesTheSocket) {
    cw::IpxEndpoint rip;
    rip.socket = 0x0453;
    UseCapture({cw::ethernetFrame(cw::Framing::EthernetII, cw::ipxPacket(rip, rip, 1, cw::Bytes(40, 0)))});
    When([] { return true; }, [this] { m_main->PostMessage(WM_COMMAND, ID_STOP_GATHERING); });
    m_main->OnStartGathering();
    EXPECT_EQ(m_main->m_listServices.GetItemCount(), 0);
    EXPECT_EQ(m_main->m_bGathering, 0);
    EXPECT_TRUE(SocketIsClosed());
    m_main->OnStopGathering();  // no run: nothing happens
    EXPECT_EQ(m_main->m_bGathering, 0);
}

TEST_F(Gathering, StartDuringARunDoesNothing) {
    UseCapture({SapFrame({Service("A")})});
    std::vector<std::string> texts;
    Answer(QMessageBox::Ok, &texts);  // would catch "IPXOpenSocket: failed" from a second run
    PostWhenRows(1, WM_COMMAND, ID_START_GATHERING);
    When([this] { return m_main->m_listServices.GetItemCount() >= 1 && !AfxIsMessagePending(); },
         [this] { m_main->PostMessage(WM_COMMAND, ID_STOP_GATHERING); });
    m_main->OnStartGathering();
    EXPECT_TRUE(texts.empty()) << texts[0];
    EXPECT_EQ(m_main->m_nServiceCount, 1);
    if (OpenMessageBox()) OpenMessageBox()->close();
}

struct QuestionCase {
    const char* what;
    UINT command;  // 0: a click on the Hops header
    const char* question;
};

TEST_F(Gathering, QuestionsDuringARunNoKeepsGatheringYesStopsAndActs) {
    const QuestionCase cases[] = {
        {"clear", ID_CLEAR_LIST,
         "The list cannot be cleared while gathering SAP data. Do you wish to stop gathing SAP data and "
         "clear the list?"},
        {"sort", 0,
         "The column cannot be sorted while gathering SAP data. Do you wish to stop gathing SAP data and "
         "sort the list?"},
    };
    UseCapture({SapFrame({Service("B", 4, 1, 10), Service("A", 4, 1, 2)})});
    for (const QuestionCase& c : cases) {
        SCOPED_TRACE(c.what);
        m_main->OnClearList();
        std::vector<std::string> texts;
        auto ask = [this, &c] {
            if (c.command) m_main->PostMessage(WM_COMMAND, c.command);
            else ClickHeader(3);
        };
        // No: everything stays and the run goes on; then Yes: the run ends, the action is done.
        When([this] { return m_main->m_listServices.GetItemCount() >= 2; }, [&] {
            Answer(QMessageBox::No, &texts);
            ask();
            When([&texts] { return texts.size() == 1 && !OpenMessageBox(); }, [&] {
                EXPECT_EQ(m_main->m_bGathering, 1);
                EXPECT_EQ(m_main->m_listServices.GetItemCount(), 2);
                Answer(QMessageBox::Yes, &texts);
                ask();
            });
        });
        m_main->OnStartGathering();
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_EQ(texts[0], c.question);
        EXPECT_EQ(m_main->m_bGathering, 0);
        EXPECT_TRUE(SocketIsClosed());
        if (c.command == ID_CLEAR_LIST) {
            EXPECT_EQ(m_main->m_listServices.GetItemCount(), 0);
            EXPECT_EQ(CountPane(), "0");
        } else {
            EXPECT_EQ(Column(0), (std::vector<std::string>{"A", "B"}));  // hops 2 before 10
        }
    }
}

TEST_F(Gathering, SaveDuringARunOnAnEmptyListSaysThereIsNothing) {
    UseCapture({});
    std::vector<std::string> texts;
    When([] { return true; }, [&] {
        Answer(QMessageBox::Yes, &texts);
        When([&texts] { return texts.size() == 1; }, [&] { Answer(QMessageBox::Ok, &texts); });
        m_main->PostMessage(WM_COMMAND, ID_SAVE_LIST);
    });
    m_main->OnStartGathering();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0],
              "The SAP data cannot be saved while gathering SAP data. Do you wish to stop gathing SAP data "
              "and save the list?");
    EXPECT_EQ(texts[1], "No SAP data to save!");
    EXPECT_TRUE(SocketIsClosed());
}

TEST_F(Gathering, ClosingDuringARunEndsTheApplicationAndClosesTheSocket) {
    UseCapture({SapFrame({Service("A")})});
    PostWhenRows(1, WM_CLOSE, 0);
    m_main->OnStartGathering();
    // The run left through the quit message, touching nothing of the window.
    EXPECT_EQ(CWnd::FromHandle(m_hMain), nullptr);
    EXPECT_TRUE(SocketIsClosed());
    bool sawQuit = false;
    for (int i = 0; i < 100 && !sawQuit; ++i) {
        QCoreApplication::processEvents();
        while (AfxIsMessagePending())
            if (!theApp.PumpMessage()) {
                sawQuit = true;
                break;
            }
    }
    EXPECT_TRUE(sawQuit);
    EXPECT_EQ(theApp.m_nExitCode, 0);
}

ServiceItem* NoMemory() {
    return nullptr;
}

struct FailureCase {
    const char* what;
    TolvSipxOperation op;
    const char* message;
    bool runGoesOn;
};

TEST_F(Gathering, EachFailureIsReportedWithItsStatus) {
    const FailureCase cases[] = {
        {"open", TolvSipxOpOpenSocket, "\nIPXOpenSocket: failed 8000000a", false},
        {"alloc", TolvSipxOpAllocControlBlock, "TolvSipxAllocControlBlock() returned 8000000A", false},
        {"first receive", TolvSipxOpReceiveDatagram, "TolvSipxReceiveDatagram() returned 8000000A", false},
    };
    UseCapture({SapFrame({Service("A")}), SapFrame({Service("B")})});
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> texts;
        TolvSipxTestFailNext(c.op, TOLVSIPX_STATUS_HUB_UNREACHABLE);
        Answer(QMessageBox::Ok, &texts);
        m_main->OnStartGathering();
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0], c.message);
        EXPECT_EQ(m_main->m_bGathering, 0);
        EXPECT_TRUE(SocketIsClosed());
    }
}

// Allocates normally, and makes the receive posted right after this scan fail.
ServiceItem* AllocateThenFailRepost() {
    sap::SetServiceItemAllocator(nullptr);
    TolvSipxTestFailNext(TolvSipxOpReceiveDatagram, TOLVSIPX_STATUS_OUT_OF_RESOURCES);
    return sap::CreateServiceItem();
}

TEST_F(Gathering, RepostFailureIsReportedAndTheRunGoesOn) {
    UseCapture({SapFrame({Service("A")}), SapFrame({Service("B")})});
    std::vector<std::string> texts;
    int gatheringAfterMessage = -1;
    sap::SetServiceItemAllocator(&AllocateThenFailRepost);
    Answer(QMessageBox::Ok, &texts);
    When([&texts] { return !texts.empty() && !OpenMessageBox(); }, [&] {
        gatheringAfterMessage = m_main->m_bGathering;
        m_main->PostMessage(WM_COMMAND, ID_STOP_GATHERING);
    });
    m_main->OnStartGathering();
    sap::SetServiceItemAllocator(nullptr);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "Error 8000000F resubmitting\n");
    EXPECT_EQ(gatheringAfterMessage, 1);
    EXPECT_TRUE(SocketIsClosed());
}

// The first record is made; from the second on, memory has run out.
ServiceItem* OneRecordThenNoMemory() {
    sap::SetServiceItemAllocator(&NoMemory);
    return new ServiceItem();
}

TEST_F(Gathering, OutOfMemoryKeepsTheRowsSoFarAndEndsTheRun) {
    UseCapture({SapFrame({Service("KEPT")}), SapFrame({Service("LOST")})});
    std::vector<std::string> texts;
    sap::SetServiceItemAllocator(&OneRecordThenNoMemory);
    Answer(QMessageBox::Ok, &texts);
    m_main->OnStartGathering();
    sap::SetServiceItemAllocator(nullptr);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "Out of memory error - attempt to allocate space for item data failed!");
    EXPECT_EQ(Column(0), (std::vector<std::string>{"KEPT"}));
    EXPECT_EQ(m_main->m_nServiceCount, 1);
    EXPECT_EQ(m_main->m_bGathering, 0);
    EXPECT_TRUE(SocketIsClosed());
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    afx::InstallQueue();
    theApp.m_strAppName = "Zorvik";
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
