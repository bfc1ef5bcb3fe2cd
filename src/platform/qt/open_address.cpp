#include "platform/qt/open_address.h"

#include <spawn.h>
#include <sys/wait.h>

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QTimer>
#include <memory>

extern char** environ;

namespace pellumir {

namespace {

constexpr int kPollMs = 100;
// xdg-open that is still running after this long has found a handler
// (some run it in the foreground): it is left to it.
constexpr int kPolls = 100;

bool spawn(const QString& program, const std::string& address, pid_t& pid) {
    std::string path = QFile::encodeName(program).toStdString();
    std::string argument = address;
    char* argv[] = {path.data(), argument.data(), nullptr};
    return posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) == 0;
}

}  // namespace

void openAddress(const std::string& address, std::function<void()> whenUnhandled) {
    QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    pid_t pid = 0;
    if (opener.isEmpty() || !spawn(opener, address, pid)) {
        if (whenUnhandled) whenUnhandled();
        return;
    }
    // Its outcome is collected without blocking; the child is never
    // killed, so a handler it runs in the foreground outlives the program.
    auto* poll = new QTimer(QCoreApplication::instance());
    auto polls = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, polls, pid, whenUnhandled] {
        int status = 0;
        pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == 0 && ++*polls < kPolls) return;
        poll->stop();
        poll->deleteLater();
        bool failed = ended == pid && !(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        if (failed && whenUnhandled) whenUnhandled();
    });
    poll->start(kPollMs);
}

}  // namespace pellumir
