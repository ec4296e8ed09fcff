// pelmora_relay PORT DELAY_MS: a link with added delay, for ssh's
// ProxyCommand. It connects to PORT on 127.0.0.1 and relays standard input
// to the connection and the connection to standard output, handing each
// chunk on DELAY_MS milliseconds (fractions allowed) after it arrived, in
// each direction, so that a round trip costs twice DELAY_MS. This kernel has
// no netem; this is the delay the network case measures against.
//
// Chunks leave in the order they came, each direction on its own clock, so
// a slow reader on one side never holds the other back. It ends when either
// side closes (after handing on what it still holds for the other) or fails.
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

long long nowNs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

struct Chunk {
    long long dueNs = 0;
    std::vector<char> bytes;
    size_t sent = 0;
};

// One direction: what was read from `from` waits in `queue` until its time,
// then goes to `to`.
struct Direction {
    int from = -1;
    int to = -1;
    std::deque<Chunk> queue;
    bool closed = false; // `from` reached its end: nothing more will come

    bool due(long long now) const { return !queue.empty() && queue.front().dueNs <= now; }
};

[[noreturn]] void die(const char* what) {
    std::fprintf(stderr, "pelmora_relay: %s: %s\n", what, std::strerror(errno));
    std::exit(1);
}

void setNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0)
        die("fcntl");
}

int connectLocal(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        die("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        die("connect to 127.0.0.1");
    // The delay must be the only one: Nagle would hold small replies back
    // for an acknowledgement that itself comes late.
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

// Reads what `from` has now into a new chunk; false once `from` is done.
bool readChunk(Direction& d, long long delayNs) {
    Chunk chunk;
    chunk.bytes.resize(64 * 1024);
    const ssize_t n = ::read(d.from, chunk.bytes.data(), chunk.bytes.size());
    if (n < 0)
        return errno == EAGAIN || errno == EINTR;
    if (n == 0)
        return false;
    chunk.bytes.resize(static_cast<size_t>(n));
    chunk.dueNs = nowNs() + delayNs;
    d.queue.push_back(std::move(chunk));
    return true;
}

// Writes what is due; false when `to` cannot take any more, ever.
bool writeDue(Direction& d) {
    while (d.due(nowNs())) {
        Chunk& chunk = d.queue.front();
        const ssize_t n =
            ::write(d.to, chunk.bytes.data() + chunk.sent, chunk.bytes.size() - chunk.sent);
        if (n < 0)
            return errno == EAGAIN || errno == EINTR;
        chunk.sent += static_cast<size_t>(n);
        if (chunk.sent == chunk.bytes.size())
            d.queue.pop_front();
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fputs("usage: pelmora_relay PORT DELAY_MS (to 127.0.0.1:PORT, each way)\n", stderr);
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const double delayMs = std::strtod(argv[2], nullptr);
    if (port <= 0 || port > 65535 || !(delayMs >= 0 && delayMs <= 10000)) {
        std::fputs("pelmora_relay: PORT 1-65535, DELAY_MS 0-10000\n", stderr);
        return 2;
    }
    const long long delayNs = static_cast<long long>(delayMs * 1e6);
    // A side that went away shows as EPIPE, which ends the relay like a close.
    std::signal(SIGPIPE, SIG_IGN);

    const int peer = connectLocal(port);
    setNonBlocking(STDIN_FILENO);
    setNonBlocking(STDOUT_FILENO);
    setNonBlocking(peer);
    Direction up{STDIN_FILENO, peer, {}, false};
    Direction down{peer, STDOUT_FILENO, {}, false};
    Direction* const directions[] = {&up, &down};

    for (;;) {
        for (Direction* d : directions)
            if (!writeDue(*d))
                return 0;
        // Either side's close ends the relay, once the other has what was
        // on its way to it.
        for (Direction* d : directions)
            if (d->closed && d->queue.empty())
                return 0;

        pollfd fds[4];
        int count = 0;
        int readSlot[2] = {-1, -1};
        int writeSlot[2] = {-1, -1};
        long long wakeNs = -1;
        const long long now = nowNs();
        for (int i = 0; i < 2; ++i) {
            Direction& d = *directions[i];
            if (!d.closed) {
                readSlot[i] = count;
                fds[count++] = {d.from, POLLIN, 0};
            }
            if (d.due(now)) { // due, but `to` was full
                writeSlot[i] = count;
                fds[count++] = {d.to, POLLOUT, 0};
            } else if (!d.queue.empty()) {
                const long long wait = d.queue.front().dueNs - now;
                if (wakeNs < 0 || wait < wakeNs)
                    wakeNs = wait;
            }
        }
        timespec timeout{};
        timespec* timeoutPtr = nullptr;
        if (wakeNs >= 0) {
            timeout.tv_sec = static_cast<time_t>(wakeNs / 1000000000LL);
            timeout.tv_nsec = static_cast<long>(wakeNs % 1000000000LL);
            timeoutPtr = &timeout;
        }
        if (::ppoll(fds, static_cast<nfds_t>(count), timeoutPtr, nullptr) < 0) {
            if (errno == EINTR)
                continue;
            die("ppoll");
        }
        for (int i = 0; i < 2; ++i) {
            Direction& d = *directions[i];
            if (writeSlot[i] >= 0 && (fds[writeSlot[i]].revents & (POLLERR | POLLHUP)) &&
                !(fds[writeSlot[i]].revents & POLLOUT))
                return 0;
            if (readSlot[i] >= 0 && fds[readSlot[i]].revents != 0 && !readChunk(d, delayNs))
                d.closed = true;
        }
    }
}
