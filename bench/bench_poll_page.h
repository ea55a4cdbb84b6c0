#pragma once
// A polling page of bench_live_web on a plain socket, its answers stamped by the kernel.

#include "bench_threads.h"

#include <QByteArray>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <deque>
#include <utility>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace bench_poll_page {

using bench_threads::nanoseconds;

// A polling page on a plain socket: an answer's time is when the kernel received it, not when
// this low-priority thread got round to reading it, so the figures are the server's own.
struct PollPage {
    int fd = -1;
    QByteArray buffer;
    std::deque<std::pair<bool, qint64>> asked; // per request sent: for the protocol, when
    QByteArray tag;
    qint64 version = 0;
    qint64 arrived = 0; // when the bytes of the last read came in
};

// The kernel's receive stamps are wall-clock time; the bench measures on the monotonic clock.
qint64 monotonicFromRealtime(const timespec& at) {
    timespec real{}, mono{};
    clock_gettime(CLOCK_REALTIME, &real);
    clock_gettime(CLOCK_MONOTONIC, &mono);
    const qint64 offset =
        (qint64(real.tv_sec) - qint64(mono.tv_sec)) * 1000000000 + (qint64(real.tv_nsec) - qint64(mono.tv_nsec));
    return qint64(at.tv_sec) * 1000000000 + at.tv_nsec - offset;
}

// Reads what is waiting with the kernel's stamp of its arrival; false when the server closed.
bool readStamped(PollPage& p) {
    char data[65536];
    char control[CMSG_SPACE(sizeof(timespec))];
    while (true) {
        iovec io{data, sizeof data};
        msghdr msg{};
        msg.msg_iov = &io;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t got = ::recvmsg(p.fd, &msg, MSG_DONTWAIT);
        if (got == 0)
            return false;
        if (got < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        p.arrived = nanoseconds();
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
                timespec at{};
                std::memcpy(&at, CMSG_DATA(c), sizeof at);
                p.arrived = monotonicFromRealtime(at);
            }
        }
        p.buffer.append(data, got);
    }
}

// Starts connecting a non-blocking socket, set up by the caller, to the server on 127.0.0.1.
int connectToLoopback(int fd, quint16 port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    return fd;
}

int pollSocket(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return connectToLoopback(fd, port);
}

// A request is a few hundred bytes: the socket's buffer always takes it whole.
void sendRequest(PollPage& p, bool protocol, const QByteArray& request) {
    p.asked.push_back({protocol, nanoseconds()});
    if (::send(p.fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) != request.size())
        p.asked.pop_back();
}

} // namespace bench_poll_page
