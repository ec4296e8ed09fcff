#pragma once

#include <QProcess>

#include <memory>
#include <vector>

// Network shares for tests, for real: a throwaway sshd on 127.0.0.1 at a
// free port, with host and user keys made for it, and folders it serves
// mounted with sshfs on a fresh folder under /mnt (/mnt/pelmora-net-XXXXXX),
// where the drive table gives them letters. Nothing in ~/.ssh is read or
// written. Each sshfs runs in the foreground: a process kill() and pause() signal.
//
// Needs root, sshd, sshfs and /dev/fuse; skipReason() says what is missing.
// Every mount is taken away and every process ended in the destructor; a
// test that crashes leaves a folder that ./test sweeps away. With
// PELMORA_KEEP_SHARES set, the folder (keys, configuration, logs) is kept.
class NetworkShares {
public:
    explicit NetworkShares(int count = 2);
    ~NetworkShares();
    NetworkShares(const NetworkShares&) = delete;
    NetworkShares& operator=(const NetworkShares&) = delete;

    // Empty when the shares are mounted; else why there are none.
    const QString& skipReason() const { return m_skipReason; }
    int count() const { return int(m_shares.size()); }

    // Where share i is mounted (the bare folder when it is not).
    QByteArray mountPoint(int i) const { return m_shares.at(i)->mountPoint; }
    // The folder the server serves as share i: the truth behind the mount,
    // without sshfs's caches in between.
    QByteArray served(int i) const { return m_shares.at(i)->served; }
    bool isMounted(int i) const;

    // Mounts share i (again) with sshfs and these extra -o options ("ro");
    // waits until the mount is there.
    bool mount(int i, const QStringList& options = {});
    // Kills the sshfs of share i (SIGKILL): the mount stays, dead.
    bool kill(int i);
    // Stops (SIGSTOP) or continues the sshfs of share i: while stopped,
    // every call into the mount waits.
    bool pause(int i, bool stopped);
    // The server ends the connection of share i: sshfs unmounts and ends.
    bool drop(int i);
    // Takes away the mount of share i, live or dead (fusermount -u -z), and
    // ends its sshfs.
    bool unmount(int i);

private:
    struct Share {
        QByteArray mountPoint;
        QByteArray served;
        std::unique_ptr<QProcess> sshfs;
        qint64 session = 0; // the server's process for this share's connection
    };
    bool startServer();
    void endSshfs(Share& s, int waitMs);

    QString m_skipReason;
    QByteArray m_base; // /mnt/pelmora-net-XXXXXX: server files and mount points
    int m_port = 0;
    QProcess m_sshd;
    std::vector<std::unique_ptr<Share>> m_shares;
};

// Skips the test (with the reason) unless the shares are mounted.
#define SKIP_UNLESS_SHARES(shares)                                                                 \
    do {                                                                                           \
        if (!(shares).skipReason().isEmpty())                                                      \
            QSKIP(qPrintable((shares).skipReason()));                                              \
    } while (false)
