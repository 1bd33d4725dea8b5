#include "Rtnetlink.h"

#include <cerrno>
#include <chrono>

#include <fcntl.h>
#include <libmnl/libmnl.h>
#include <linux/if_addr.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <sys/time.h>

namespace brisvale::platform {

namespace {

// The kernel fills dump datagrams up to 32 KiB; a larger one would come cut, which the
// receive call reports (MSG_TRUNC) and the dump then fails.
constexpr std::size_t ReceiveBufferBytes = 32768;
constexpr timeval ReceiveTimeout{2, 0};

// Sends one dump request and reads its whole reply into the parser.
DumpOutcome dumpOnce(std::uint16_t request, std::uint16_t reply, std::uint8_t family,
                 std::optional<DumpParser>& result)
{
    MnlSocket socket = openRouteSocket(0);
    if (!socket)
        return DumpOutcome::Failed;
    const int fd = mnl_socket_get_fd(socket.get());
    // A kernel that never ends the dump must not stop the caller's thread for good.
    if (setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &ReceiveTimeout, sizeof ReceiveTimeout) < 0)
        return DumpOutcome::Failed;

    const auto sequence = static_cast<std::uint32_t>(
        std::chrono::steady_clock::now().time_since_epoch().count()) | 1u;
    std::uint32_t requestBuffer[64] = {};
    nlmsghdr* nlh = mnl_nlmsg_put_header(requestBuffer);
    nlh->nlmsg_type = request;
    nlh->nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    nlh->nlmsg_seq = sequence;
    if (request == RTM_GETLINK) {
        auto* ifi = static_cast<ifinfomsg*>(mnl_nlmsg_put_extra_header(nlh, sizeof(ifinfomsg)));
        ifi->ifi_family = family;
    } else {
        auto* ifa = static_cast<ifaddrmsg*>(mnl_nlmsg_put_extra_header(nlh, sizeof(ifaddrmsg)));
        ifa->ifa_family = family;
    }
    if (mnl_socket_sendto(socket.get(), nlh, nlh->nlmsg_len) < 0)
        return DumpOutcome::Failed;

    DumpParser parser(reply, sequence, mnl_socket_get_portid(socket.get()));
    std::vector<std::uint32_t> buffer(ReceiveBufferBytes / sizeof(std::uint32_t));
    for (;;) {
        const ssize_t received = mnl_socket_recvfrom(socket.get(), buffer.data(), ReceiveBufferBytes);
        if (received < 0 && errno == EINTR)
            continue;
        if (received <= 0)
            return DumpOutcome::Failed;
        const auto bytes = std::as_bytes(std::span(buffer)).first(static_cast<std::size_t>(received));
        switch (parser.feed(bytes)) {
        case DumpProgress::More:
            continue;
        case DumpProgress::Done:
            result.emplace(std::move(parser));
            return DumpOutcome::Read;
        case DumpProgress::Interrupted:
            return DumpOutcome::Interrupted;
        case DumpProgress::KernelError:
        case DumpProgress::Malformed:
            return DumpOutcome::Failed;
        }
    }
}

std::optional<DumpParser> dump(std::uint16_t request, std::uint16_t reply, std::uint8_t family)
{
    std::optional<DumpParser> result;
    if (!retryInterrupted([&] { return dumpOnce(request, reply, family, result); }))
        return std::nullopt;
    return result;
}

}  // namespace

bool retryInterrupted(const std::function<DumpOutcome()>& attempt)
{
    for (int i = 0; i < DumpAttempts; ++i) {
        switch (attempt()) {
        case DumpOutcome::Read:
            return true;
        case DumpOutcome::Interrupted:
            continue;  // the table changed while it was read: read it again
        case DumpOutcome::Failed:
            return false;
        }
    }
    return false;
}

void MnlSocketClose::operator()(mnl_socket* socket) const
{
    mnl_socket_close(socket);
}

MnlSocket openRouteSocket(unsigned groups)
{
    MnlSocket socket(mnl_socket_open2(NETLINK_ROUTE, SOCK_CLOEXEC));
    if (!socket || mnl_socket_bind(socket.get(), groups, MNL_SOCKET_AUTOPID) < 0)
        return {};
    return socket;
}

std::optional<std::vector<LinkInfo>> dumpLinks()
{
    auto parser = dump(RTM_GETLINK, RTM_NEWLINK, AF_UNSPEC);
    if (!parser)
        return std::nullopt;
    return std::move(parser->links);
}

std::optional<std::vector<AddrInfo>> dumpIPv4Addresses()
{
    auto parser = dump(RTM_GETADDR, RTM_NEWADDR, AF_INET);
    if (!parser)
        return std::nullopt;
    return std::move(parser->addresses);
}

ChangeWatch::ChangeWatch() : socket_(openRouteSocket(RTMGRP_LINK | RTMGRP_IPV4_IFADDR))
{
    if (socket_) {
        const int fd = mnl_socket_get_fd(socket_.get());
        const int flags = fcntl(fd, F_GETFL);
        if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0)
            socket_.reset();
    }
}

bool ChangeWatch::changed()
{
    if (!socket_)
        return true;
    const int fd = mnl_socket_get_fd(socket_.get());
    bool announced = false;
    for (;;) {
        // Only the arrival counts, not the content: a short buffer takes each message whole.
        std::uint32_t scrap[4];
        const ssize_t received = recv(fd, scrap, sizeof scrap, MSG_DONTWAIT | MSG_TRUNC);
        if (received >= 0) {
            announced = true;
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return announced;
        // ENOBUFS: announcements were lost, so anything may have changed; drain the rest.
        announced = true;
        if (errno != ENOBUFS)
            return true;
    }
}

}  // namespace brisvale::platform
