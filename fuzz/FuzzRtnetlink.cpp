// Feeds the rtnetlink dump parser arbitrary datagrams, as the kernel's reply to a link dump or an
// IPv4 address dump, and turns whatever it accepts into interface and address rows.
//
// Input: one byte of mode (bit 0: address dump, else link dump; bit 1: datagrams at an odd
// address), the dump's sequence number and port id (4 bytes each, little-endian), then the
// datagrams, each a 2-byte little-endian length and that many bytes (cut to what is left).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include <linux/rtnetlink.h>

#include "IfRows.h"
#include "RtnetlinkParser.h"

namespace {

using namespace brisvale::platform;

struct Input {
    std::span<const std::uint8_t> data;

    std::uint32_t take(std::size_t bytes)
    {
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < bytes && !data.empty(); ++i) {
            value |= std::uint32_t{data.front()} << (8 * i);
            data = data.subspan(1);
        }
        return value;
    }

    std::span<const std::uint8_t> takeBytes(std::size_t n)
    {
        n = std::min(n, data.size());
        const auto bytes = data.first(n);
        data = data.subspan(n);
        return bytes;
    }
};

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void makeRows(const DumpParser& parser)
{
    for (const LinkInfo& link : parser.links) {
        check(link.name.find('\0') == std::string::npos);
        LinkDetails details;
        details.speed = speedFromMbps(link.counters.rxErrors);
        details.description = describeLink(HardwareName{}, link.name, link.kind, link.type);
        check(details.description.size() < MAXLEN_IFDESCR);
        // Each row on its own allocation: a write past it is seen.
        auto row = std::make_unique<MIB_IFROW>();
        fillIfRow(link, details, *row);
        check(row->dwIndex == link.index);
        check(row->dwPhysAddrLen <= MAXLEN_PHYSADDR);
        check(row->dwDescrLen <= MAXLEN_IFDESCR);
    }
    std::vector<AddrInfo> addresses = parser.addresses;
    for (const AddrInfo& address : addresses) {
        check(address.prefixLength <= 32);
        (void)makeAddrRow(address);
    }
    sortByAddress(addresses);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Input input{{data, size}};
    const std::uint32_t mode = input.take(1);
    const std::uint32_t sequence = input.take(4);
    const std::uint32_t port = input.take(4);
    DumpParser parser(mode & 1 ? RTM_NEWADDR : RTM_NEWLINK, sequence, port);
    const std::size_t shift = mode & 2 ? 1 : 0;

    DumpProgress progress = DumpProgress::More;
    bool finished = false;
    while (!input.data.empty()) {
        const auto bytes = input.takeBytes(input.take(2));
        // Exactly as long as the datagram, so that a read past its end is seen.
        std::vector<std::byte> datagram(shift + bytes.size());
        if (!bytes.empty())
            std::memcpy(datagram.data() + shift, bytes.data(), bytes.size());
        progress = parser.feed(std::span(datagram).subspan(shift));
        if (progress == DumpProgress::KernelError)
            check(parser.error() > 0);
        // Nothing is taken once the dump has ended.
        check(!finished || progress == DumpProgress::Malformed);
        finished = finished || progress == DumpProgress::Done || progress == DumpProgress::Interrupted ||
                   progress == DumpProgress::KernelError;
        // The reader stops at the first answer other than More; the parser must refuse what
        // follows all the same.
        if (progress != DumpProgress::More && !input.data.empty() && (mode & 4) == 0)
            break;
    }
    makeRows(parser);
    return 0;
}
