#include <QApplication>

#include <gtest/gtest.h>

#include "framework/MessageQueue.h"
#include "framework/WinApp.h"

// One application object for the whole test program, as in the program.
CWinApp g_testApp("Zorvik");

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    afx::InstallQueue();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
