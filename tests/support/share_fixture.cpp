// The network shares of network_shares.h as a command, for the real-display
// tests: `share_fixture [count]` starts the throwaway sshd, mounts `count`
// shares (one by default), prints a line per share, "<mount point>\t<the
// folder the server serves>", then "ready", and takes them away when its
// standard input ends: the caller closes it, or ends however it ends. Where
// there can be no shares it prints "SKIP: <why>" and exits with 77.
#include "network_shares.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    NetworkShares shares(argc > 1 ? std::atoi(argv[1]) : 1);
    if (!shares.skipReason().isEmpty()) {
        std::printf("SKIP: %s\n", qPrintable(shares.skipReason()));
        return 77;
    }
    for (int i = 0; i < shares.count(); ++i)
        std::printf("%s\t%s\n", shares.mountPoint(i).constData(), shares.served(i).constData());
    std::printf("ready\n");
    std::fflush(stdout);
    while (std::fgetc(stdin) != EOF) {
    }
    return 0; // the shares go with `shares`
}
