#include "BareDump.h"

#include <cstdint>
#include <memory>
#include <vector>

#include <libmnl/libmnl.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

namespace brisvale::bench {

bool bareLinkDump()
{
    const std::unique_ptr<mnl_socket, int (*)(mnl_socket*)> owner(mnl_socket_open2(NETLINK_ROUTE, SOCK_CLOEXEC),
                                                                  mnl_socket_close);
    mnl_socket* socket = owner.get();
    if (socket == nullptr || mnl_socket_bind(socket, 0, MNL_SOCKET_AUTOPID) != 0)
        return false;
    std::uint32_t request[16] = {};
    nlmsghdr* nlh = mnl_nlmsg_put_header(request);
    nlh->nlmsg_type = RTM_GETLINK;
    nlh->nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    nlh->nlmsg_seq = 1;
    auto* ifi = static_cast<ifinfomsg*>(mnl_nlmsg_put_extra_header(nlh, sizeof(ifinfomsg)));
    ifi->ifi_family = AF_UNSPEC;
    const unsigned port = mnl_socket_get_portid(socket);
    if (mnl_socket_sendto(socket, nlh, nlh->nlmsg_len) < 0)
        return false;
    constexpr std::size_t BufferBytes = 32768;
    static std::vector<std::uint32_t> buffer(BufferBytes / sizeof(std::uint32_t));
    for (;;) {
        const ssize_t n = mnl_socket_recvfrom(socket, buffer.data(), BufferBytes);
        if (n <= 0)
            return false;
        const int result = mnl_cb_run(buffer.data(), static_cast<std::size_t>(n), 1, port, nullptr, nullptr);
        if (result <= MNL_CB_STOP)
            return result == MNL_CB_STOP;
    }
}

}  // namespace brisvale::bench
