#include "framework/SingleInstance.h"

#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>

#include "framework/WinApp.h"

namespace {

const char kRequest[] = "ZORVIK-ACTIVATE\n";

bool PrivateDir(const std::string& dir) {
    struct stat st {};
    return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
}

std::string RuntimeDir() {
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg != nullptr && *xdg != '\0') {
        if (PrivateDir(xdg)) {
            return xdg;
        }
    }
    const std::string dir = "/tmp/zorvik-" + std::to_string(::getuid());
    ::mkdir(dir.c_str(), 0700);
    return PrivateDir(dir) ? dir : std::string();
}

void Activate() {
    CWnd* main = AfxGetMainWnd();
    QWidget* w = main != nullptr ? main->GetWidget() : nullptr;
    if (w == nullptr) {
        return;
    }
    QWidget* popup = QApplication::activeModalWidget();  // taken before anything changes
    if (w->isMinimized()) {
        w->showNormal();
    }
    w->raise();
    w->activateWindow();
    if (popup != nullptr && popup != w) {
        popup->raise();
        popup->activateWindow();
    }
}

// Reads one connection to its end (at most a few bytes more than the request).
void Serve(int fd) {
    ucred cred {};
    socklen_t len = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || cred.uid != ::getuid()) {
        ::close(fd);
        return;
    }
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read);
    auto* received = new std::string;
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, received, fd] {
        char buf[64];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0 && received->size() < sizeof kRequest) {
            received->append(buf, static_cast<std::size_t>(n));
            return;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            return;
        }
        const bool valid = *received == kRequest;
        delete received;
        notifier->setEnabled(false);
        notifier->deleteLater();
        ::close(fd);
        if (valid) {
            Activate();
        }
    });
}

}  // namespace

BOOL AfxClaimSingleInstance(const char* name) {
    const std::string dir = RuntimeDir();
    if (dir.empty()) {
        return TRUE;
    }
    const std::string base = dir + "/" + name;
    const int lock = ::open((base + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0) {
        if (lock >= 0) {
            ::close(lock);
        }
        return TRUE;
    }
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    const std::string path = base + ".sock";
    if (path.size() >= sizeof addr.sun_path) {
        ::close(lock);
        return TRUE;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    BOOL first = TRUE;
    const int client = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (client >= 0 && ::connect(client, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        const ssize_t sent = ::write(client, kRequest, sizeof kRequest - 1);
        (void)sent;
        first = FALSE;
    }
    if (client >= 0) {
        ::close(client);
    }
    if (first) {
        ::unlink(path.c_str());  // left behind by an instance that is gone
        const int server = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (server >= 0 && ::bind(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
            ::chmod(path.c_str(), 0600) == 0 && ::listen(server, 8) == 0) {
            auto* notifier = new QSocketNotifier(server, QSocketNotifier::Read, qApp);
            QObject::connect(notifier, &QSocketNotifier::activated, notifier, [server] {
                const int fd = ::accept4(server, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
                if (fd >= 0) {
                    Serve(fd);
                }
            });
        } else if (server >= 0) {
            ::close(server);
        }
    }
    ::flock(lock, LOCK_UN);
    ::close(lock);
    return first;
}
