#include "bench_common.h"
#include "commands.h"
#include "main_window_steps.h"

#include "platform/dialogs/scripted_user.h"
#include "selection/selection_state.h"

#include <QApplication>
#include <QTimer>
#include <QWindow>

#include "main_window/application.h"
#include "main_window/pelmora.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace bench {

namespace {

qint64 monotonicNs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Ends the event loop once the window's first paint has been delivered and
// the frame flushed (the zero timer runs after the paint pass is done).
class FirstPaint : public QObject {
public:
    qint64 shownNs = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && shownNs == 0 && !m_armed) {
            m_armed = true;
            QTimer::singleShot(0, this, [this] {
                shownNs = monotonicNs();
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_armed = false;
};

// One start of the child: nanoseconds from just before the spawn to the
// window shown, and to the child's main().
struct StartTimes {
    qint64 toMain = 0;
    qint64 toShown = 0;
};

StartTimes startOnce(const char* self) {
    int out[2];
    if (::pipe(out) != 0)
        fail(QStringLiteral("pipe failed"));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char* argv[] = {const_cast<char*>(self), const_cast<char*>("startup-child"), nullptr};

    pid_t pid = 0;
    const qint64 spawnedNs = monotonicNs();
    if (posix_spawn(&pid, self, &actions, nullptr, argv, environ) != 0)
        fail(QStringLiteral("cannot start %1").arg(QString::fromLocal8Bit(self)));
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);

    QByteArray output;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n > 0)
            output.append(buffer, n);
        else if (n == 0 || errno != EINTR)
            break;
    }
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail(QStringLiteral("the start-up child failed: %1").arg(QString::fromLocal8Bit(output)));

    StartTimes times;
    for (const QByteArray& line : output.split('\n')) {
        if (line.startsWith("main_ns="))
            times.toMain = line.mid(8).toLongLong() - spawnedNs;
        else if (line.startsWith("shown_ns="))
            times.toShown = line.mid(9).toLongLong() - spawnedNs;
    }
    if (times.toShown <= 0)
        fail(QStringLiteral("the start-up child reported nothing: %1")
                 .arg(QString::fromLocal8Bit(output)));
    return times;
}

double medianSeconds(QList<qint64> ns) {
    std::sort(ns.begin(), ns.end());
    const qsizetype n = ns.size();
    const double mid = n % 2 ? double(ns[n / 2]) : (double(ns[n / 2 - 1]) + double(ns[n / 2])) / 2;
    return mid / 1e9;
}

} // namespace

// Process start (the spawn) to the main window shown and painted, the
// median of several starts; the child is this program doing what the
// program's main() does.
int startupCommand(const QStringList& args, const char* self) {
    const int runs = args.isEmpty() ? 7 : args.first().toInt();
    if (runs < 1)
        fail(QStringLiteral("usage: startup [RUNS]"));
    startOnce(self); // warms the cache; not counted
    QList<qint64> toMain;
    QList<qint64> toShown;
    for (int i = 0; i < runs; ++i) {
        const StartTimes t = startOnce(self);
        toMain.append(t.toMain);
        toShown.append(t.toShown);
    }
    report("runs", double(runs));
    report("to_main_seconds", medianSeconds(toMain));
    report("seconds", medianSeconds(toShown));
    return 0;
}

int startupChildCommand(int argc, char** argv) {
    const qint64 mainNs = monotonicNs();
    int qtArgc = std::min(argc, 1);
    QApplication app(qtArgc, argv);
    setUpApplication(app);
    FirstPaint firstPaint;
    Pelmora& window = Pelmora::instance();
    window.installEventFilter(&firstPaint);
    window.show();
    QTimer::singleShot(30000, &app, [] { fail(QStringLiteral("the main window never painted")); });
    app.exec();
    std::printf("main_ns=%lld\nshown_ns=%lld\n", static_cast<long long>(mainNs),
                static_cast<long long>(firstPaint.shownNs));
    std::fflush(stdout);
    // Leaves without tearing the window down: only the start is measured.
    std::_Exit(0);
}

// "Select All" of a folder in the real main window, then the peak resident
// set of the process.
int peakMemoryCommand(const QStringList& args) {
    if (args.size() != 1)
        fail(QStringLiteral("usage: peakmem DIR"));
    const QByteArray folder = canonicalFolder(args.first().toLocal8Bit().constData());
    const QString drivePath = drivePathOf(folder);
    const qsizetype expected = regularFiles(folder).size();

    platform::ScriptedUser user;
    Pelmora& window = Pelmora::instance();
    window.show();
    QCoreApplication::processEvents();
    const double startMiB = peakResidentMiB();

    showSourceFolder(drivePath);
    window.AllFileBtn_Click();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();

    const SelectionState* state = SelectionState::shared();
    if (!user.failures().isEmpty())
        fail(QStringLiteral("unexpected: ") + user.failures().join(QLatin1String("; ")));
    if (state == nullptr || state->fileCount() != expected)
        fail(QStringLiteral("selected %1 files, expected %2")
                 .arg(state ? state->fileCount() : -1)
                 .arg(expected));
    report("files", double(expected));
    report("started_mib", startMiB);
    report("peak_mib", peakResidentMiB());
    return 0;
}

} // namespace bench
