#pragma once
// The parts of an interface row that the link dump does not carry: link speed, description and
// whether the device is wireless. Read once per interface and kept, so that a snapshot of
// thousands of interfaces costs no more than the dump itself.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>

#include "IfRows.h"
#include "RtnetlinkParser.h"

namespace brisvale::platform {

// Where the details come from; the system's probe asks the kernel and the hardware database.
class LinkProbe {
public:
    virtual ~LinkProbe() = default;
    // The link speed in Mb/s; none when the driver does not know it.
    virtual std::optional<std::uint64_t> speedMbps(const std::string& name) = 0;
    virtual HardwareName hardware(std::uint32_t index, const std::string& name) = 0;
};

// Link speed through the ethtool ioctl, names through libudev's device tree and hwdb.
std::unique_ptr<LinkProbe> makeSystemProbe();

class LinkDetailCache {
public:
    explicit LinkDetailCache(std::unique_ptr<LinkProbe> probe);

    // The details of the link, probed when its index is new, its name changed, or (for the
    // speed alone) its operational state changed, since a link renegotiates only when it
    // goes down and up. The reference stays good until the next prune().
    const LinkDetails& lookup(const LinkInfo& link);

    // Forgets interfaces that are no longer in the table; call after looking up all of them.
    void prune(std::span<const LinkInfo> links);

    std::size_t size() const { return entries_.size(); }

private:
    struct Entry {
        std::string name;
        std::uint32_t linkState = 0;
        LinkDetails details;
    };

    std::unique_ptr<LinkProbe> probe_;
    std::unordered_map<std::uint32_t, Entry> entries_;
};

}  // namespace brisvale::platform
