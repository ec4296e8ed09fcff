#include "network_shares.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char Sshd[] = "/usr/sbin/sshd";

// The mount points listed in mountinfo now (ours carry no escaped characters).
QList<QByteArray> mountPoints() {
    QFile f(QStringLiteral("/proc/self/mountinfo"));
    QList<QByteArray> points;
    if (!f.open(QIODevice::ReadOnly))
        return points;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() > 4)
            points << fields.at(4);
    }
    return points;
}

bool run(const QString& program, const QStringList& args) {
    QProcess p;
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(program, args);
    return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Binds (port 0: a port nothing listens on just now) or connects a socket
// on 127.0.0.1; the port it was bound to or connected on, 0 when that failed.
int onLoopback(int port, bool connect) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{AF_INET, htons(quint16(port)), {htonl(INADDR_LOOPBACK)}, {}};
    auto* at = reinterpret_cast<sockaddr*>(&a);
    socklen_t size = sizeof a;
    const bool ok =
        fd >= 0 && (connect ? ::connect(fd, at, size) == 0
                            : ::bind(fd, at, size) == 0 && ::getsockname(fd, at, &size) == 0);
    if (fd >= 0)
        ::close(fd);
    return ok ? ntohs(a.sin_port) : 0;
}

// The processes whose parent is `parent`.
QList<qint64> childrenOf(qint64 parent) {
    QList<qint64> children;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& pid : pids) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // pid (name) state ppid ...: the name may hold spaces, not ')'.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (rest.size() > 1 && rest.at(1).toLongLong() == parent)
            children << pid.toLongLong();
    }
    return children;
}

template <typename Holds> bool waitUntil(Holds holds, int ms) {
    QElapsedTimer t;
    t.start();
    while (!holds()) {
        if (t.elapsed() > ms)
            return false;
        QThread::msleep(10);
    }
    return true;
}

// Whether a process has ended; QProcess learns it only when asked to wait
// (the tests run no event loop).
bool ended(QProcess& p) {
    return p.state() == QProcess::NotRunning || p.waitForFinished(0);
}

} // namespace

NetworkShares::NetworkShares(int count) {
    if (!startServer())
        return;
    for (int i = 0; i < count; ++i) {
        auto s = std::make_unique<Share>();
        s->mountPoint = m_base + "/share" + QByteArray::number(i + 1);
        s->served = m_base + "/served/share" + QByteArray::number(i + 1);
        QDir().mkpath(QFile::decodeName(s->mountPoint));
        QDir().mkpath(QFile::decodeName(s->served));
        m_shares.push_back(std::move(s));
        if (!mount(i)) {
            m_skipReason = QStringLiteral("sshfs could not mount a share of the test sshd (see %1)")
                               .arg(QFile::decodeName(m_base));
            return;
        }
    }
}

NetworkShares::~NetworkShares() {
    for (int i = 0; i < count(); ++i)
        unmount(i);
    if (m_sshd.state() != QProcess::NotRunning) {
        const QList<qint64> sessions = childrenOf(m_sshd.processId());
        m_sshd.terminate();
        m_sshd.waitForFinished(5000);
        for (qint64 pid : sessions)
            ::kill(pid_t(pid), SIGTERM);
    }
    if (m_base.isEmpty())
        return;
    // Removed only when nothing is mounted below it any more; else ./test
    // sweeps it away.
    for (const QByteArray& point : mountPoints())
        if (point.startsWith(QByteArray(m_base + '/')))
            return;
    if (qEnvironmentVariableIsSet("PELMORA_KEEP_SHARES"))
        return;
    QDir(QFile::decodeName(m_base)).removeRecursively();
}

bool NetworkShares::startServer() {
    const auto missing = [this](const QString& why) {
        m_skipReason = why;
        return false;
    };
    if (::geteuid() != 0)
        return missing(QStringLiteral("needs root to mount network shares (sshfs under /mnt)"));
    if (!QFile::exists(QLatin1String(Sshd)))
        return missing(QStringLiteral("needs sshd (openssh-server; scripts/install-deps test)"));
    for (const char* tool : {"sshfs", "ssh", "ssh-keygen", "fusermount"})
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            return missing(QStringLiteral("needs %1 (scripts/install-deps test)").arg(tool));
    const int fuse = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fuse < 0)
        return missing(QStringLiteral("needs FUSE: /dev/fuse cannot be opened (%1)")
                           .arg(QString::fromLocal8Bit(std::strerror(errno))));
    ::close(fuse);

    char folder[] = "/mnt/pelmora-net-XXXXXX";
    if (!::mkdtemp(folder))
        return missing(QStringLiteral("cannot make a folder under /mnt"));
    m_base = folder;
    // sshd's privilege separation needs its empty folder.
    ::mkdir("/run/sshd", 0755);
    const QString base = QFile::decodeName(m_base);
    const QString hostKey = base + QStringLiteral("/host_key");
    const QString userKey = base + QStringLiteral("/user_key");
    for (const QString& key : {hostKey, userKey})
        if (!run("ssh-keygen", {"-q", "-t", "ed25519", "-N", QString(), "-f", key}))
            return missing(QStringLiteral("ssh-keygen could not make a key"));
    if (!QFile::copy(userKey + QStringLiteral(".pub"), base + QStringLiteral("/authorized_keys")))
        return missing(QStringLiteral("cannot write authorized_keys"));

    for (int attempt = 0; attempt < 3; ++attempt) {
        m_port = onLoopback(0, false);
        QFile config(base + QStringLiteral("/sshd_config"));
        if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return missing(QStringLiteral("cannot write sshd_config"));
        config.write(QStringLiteral("Port %1\nListenAddress 127.0.0.1\n"
                                    "HostKey %2\nAuthorizedKeysFile %3/authorized_keys\n"
                                    "PidFile %3/sshd.pid\nUsePAM no\nStrictModes no\n"
                                    "PasswordAuthentication no\nKbdInteractiveAuthentication no\n"
                                    "PermitRootLogin prohibit-password\n"
                                    "Subsystem sftp internal-sftp\n")
                         .arg(m_port)
                         .arg(hostKey, base)
                         .toUtf8());
        config.close();
        m_sshd.setStandardOutputFile(QProcess::nullDevice());
        m_sshd.setStandardErrorFile(base + QStringLiteral("/sshd.log"), QIODevice::Append);
        m_sshd.start(QLatin1String(Sshd), {"-D", "-e", "-f", config.fileName()});
        if (m_sshd.waitForStarted(5000) &&
            waitUntil([&] { return ended(m_sshd) || onLoopback(m_port, true) != 0; }, 10000) &&
            !ended(m_sshd))
            return true;
        m_sshd.kill();
        m_sshd.waitForFinished(2000);
    }
    return missing(QStringLiteral("the test sshd did not start (see %1/sshd.log)").arg(base));
}

bool NetworkShares::isMounted(int i) const {
    return mountPoints().contains(m_shares.at(i)->mountPoint);
}

bool NetworkShares::mount(int i, const QStringList& options) {
    Share& s = *m_shares.at(i);
    if (isMounted(i) || ended(m_sshd))
        return false;
    const QList<qint64> before = childrenOf(m_sshd.processId());
    const QStringList o =
        QStringList{QStringLiteral("IdentityFile=%1/user_key").arg(QFile::decodeName(m_base)),
                    "UserKnownHostsFile=/dev/null", "StrictHostKeyChecking=no", "BatchMode=yes",
                    "LogLevel=ERROR"} +
        options;
    s.sshfs = std::make_unique<QProcess>();
    s.sshfs->setStandardOutputFile(QProcess::nullDevice());
    s.sshfs->setStandardErrorFile(
        QFile::decodeName(m_base) + QStringLiteral("/sshfs-%1.log").arg(i + 1), QIODevice::Append);
    s.sshfs->start("sshfs", {"-f", "-F", "/dev/null", "-p", QString::number(m_port), "-o",
                             o.join(u','), "root@127.0.0.1:" + QFile::decodeName(s.served),
                             QFile::decodeName(s.mountPoint)});
    if (!s.sshfs->waitForStarted(5000) ||
        !waitUntil([&] { return isMounted(i) || ended(*s.sshfs); }, 15000) || !isMounted(i)) {
        endSshfs(s, 0);
        return false;
    }
    // The server's process for the new connection, to drop it later.
    s.session = 0;
    waitUntil(
        [&] {
            for (qint64 pid : childrenOf(m_sshd.processId()))
                if (!before.contains(pid))
                    s.session = pid;
            return s.session != 0;
        },
        5000);
    return true;
}

void NetworkShares::endSshfs(Share& s, int waitMs) {
    if (s.sshfs && s.sshfs->state() != QProcess::NotRunning && !s.sshfs->waitForFinished(waitMs)) {
        s.sshfs->kill();
        s.sshfs->waitForFinished(5000);
    }
    s.sshfs.reset();
}

bool NetworkShares::kill(int i) {
    Share& s = *m_shares.at(i);
    if (!s.sshfs || ended(*s.sshfs))
        return false;
    ::kill(pid_t(s.sshfs->processId()), SIGKILL);
    endSshfs(s, 5000);
    return isMounted(i);
}

bool NetworkShares::pause(int i, bool stopped) {
    const Share& s = *m_shares.at(i);
    return s.sshfs && ::kill(pid_t(s.sshfs->processId()), stopped ? SIGSTOP : SIGCONT) == 0;
}

bool NetworkShares::drop(int i) {
    Share& s = *m_shares.at(i);
    if (!s.sshfs || s.session == 0 || ::kill(pid_t(s.session), SIGTERM) != 0)
        return false;
    s.session = 0;
    const bool ended = s.sshfs->waitForFinished(10000);
    endSshfs(s, 0);
    return ended && waitUntil([&] { return !isMounted(i); }, 5000);
}

bool NetworkShares::unmount(int i) {
    Share& s = *m_shares.at(i);
    if (isMounted(i))
        run("fusermount", {"-u", "-z", QFile::decodeName(s.mountPoint)});
    endSshfs(s, 5000);
    return !isMounted(i);
}
