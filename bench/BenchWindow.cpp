#include "bench/BenchWindow.h"

#include <QCoreApplication>
#include <QTimer>

#include "framework/WinApp.h"
#include "ui/ServiceListDialog.h"
#include "ui/res/ZorvikResources.h"

CServiceListDialog* NewMainWindow() {
    AfxSetResourceTable(&ZorvikResources());
    auto* main = new CServiceListDialog;
    AfxGetApp()->m_pMainWnd = main;
    main->Create();
    return main;
}

void CloseMainWindow(CServiceListDialog* main) {
    main->DestroyWindow();
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        while (AfxIsMessagePending() && AfxGetApp()->PumpMessage()) {
        }
    }
}

void When(QObject* owner, std::function<bool()> cond, std::function<void()> action) {
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, [timer, cond, action] {
        if (!cond()) return;
        timer->stop();
        action();
    });
    timer->start(1);
}

void Every(QObject* owner, std::function<void()> check) {
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, check);
    timer->start(1);
}
