#include "LinkDetails.h"

#include <array>
#include <cstring>
#include <string_view>
#include <unordered_set>

#include <libudev.h>
#include <linux/ethtool.h>
#include <linux/if.h>
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brisvale::platform {

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor()
    {
        // Don't retry close on EINTR: the descriptor is gone either way on Linux.
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

struct UdevUnref {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_hwdb* h) const { udev_hwdb_unref(h); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <typename T>
using UdevPtr = std::unique_ptr<T, UdevUnref>;

// Generous: a network device's modalias sits one to three levels above it (PCI, USB, virtio).
constexpr int ParentLevels = 4;

// The state that a new speed can only come with.
std::uint32_t linkState(const LinkInfo& link)
{
    return (std::uint32_t{link.operState.value_or(0xFF)} << 16) |
           (link.flags & (IFF_UP | IFF_RUNNING | IFF_LOWER_UP));
}

class SystemProbe final : public LinkProbe {
public:
    std::optional<std::uint64_t> speedMbps(const std::string& name) override
    {
        if (name.empty() || name.size() >= IFNAMSIZ)
            return std::nullopt;
        const int fd = ioctlSocket();
        if (fd < 0)
            return std::nullopt;
        ethtool_cmd command{};
        command.cmd = ETHTOOL_GSET;
        ifreq request{};
        std::memcpy(request.ifr_name, name.data(), name.size());
        request.ifr_data = reinterpret_cast<char*>(&command);
        if (ioctl(fd, SIOCETHTOOL, &request) < 0)
            return std::nullopt;
        const std::uint32_t speed = ethtool_cmd_speed(&command);
        // Drivers report an unknown speed as all ones, in the old 16-bit field or the whole value.
        if (speed == 0 || speed == static_cast<std::uint32_t>(SPEED_UNKNOWN) || speed == 0xFFFF)
            return std::nullopt;
        return speed;
    }

    HardwareName hardware(std::uint32_t index, const std::string& name) override
    {
        HardwareName result;
        if (!udev_)
            udev_.reset(udev_new());
        if (!udev_ || name.empty())
            return result;
        UdevPtr<udev_device> device(udev_device_new_from_subsystem_sysname(udev_.get(), "net", name.c_str()));
        if (!device)
            return result;
        // sysfs shows the namespace it was mounted in: a device there with another index is a
        // namesake, not this interface.
        const char* sysIndex = udev_device_get_sysattr_value(device.get(), "ifindex");
        if (sysIndex == nullptr || std::to_string(index) != sysIndex)
            return result;
        if (const char* type = udev_device_get_devtype(device.get()))
            result.wireless = std::string_view(type) == "wlan";

        // A virtual device (veth, bridge, tunnel ...) has no hardware above it to name it, and
        // walking up through sysfs to find that out costs more than everything else here.
        const char* path = udev_device_get_devpath(device.get());
        if (path != nullptr && std::string_view(path).starts_with("/devices/virtual/"))
            return result;
        udev_device* node = device.get();
        for (int level = 0; level < ParentLevels && node != nullptr; ++level) {
            node = udev_device_get_parent(node);  // owned by its child
            if (node != nullptr && lookUp(node, result))
                break;
        }
        return result;
    }

private:
    int ioctlSocket()
    {
        if (!socket_) {
            // Any socket of the namespace reaches the device ioctls; IPv4 may be compiled out.
            int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            if (fd < 0)
                fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
            socket_ = std::make_unique<FileDescriptor>(fd);
        }
        return socket_->get();
    }

    // The names that udev stored for the device, else those its modalias finds in the hwdb.
    bool lookUp(udev_device* node, HardwareName& result)
    {
        auto take = [&](const char* vendor, const char* model) {
            result.vendor = vendor != nullptr ? vendor : "";
            result.model = model != nullptr ? model : "";
            return !result.vendor.empty() || !result.model.empty();
        };
        if (take(udev_device_get_property_value(node, "ID_VENDOR_FROM_DATABASE"),
                 udev_device_get_property_value(node, "ID_MODEL_FROM_DATABASE")))
            return true;

        const char* modalias = udev_device_get_sysattr_value(node, "modalias");
        if (modalias == nullptr)
            return false;
        if (!hwdbTried_) {
            hwdbTried_ = true;
            hwdb_.reset(udev_hwdb_new(udev_.get()));
        }
        if (!hwdb_)
            return false;
        const char* vendor = nullptr;
        const char* model = nullptr;
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_hwdb_get_properties_list_entry(hwdb_.get(), modalias, 0))
        {
            const std::string_view key = udev_list_entry_get_name(entry);
            if (key == "ID_VENDOR_FROM_DATABASE")
                vendor = udev_list_entry_get_value(entry);
            else if (key == "ID_MODEL_FROM_DATABASE")
                model = udev_list_entry_get_value(entry);
        }
        return take(vendor, model);
    }

    std::unique_ptr<FileDescriptor> socket_;
    UdevPtr<udev> udev_;
    UdevPtr<udev_hwdb> hwdb_;
    bool hwdbTried_ = false;
};

}  // namespace

std::unique_ptr<LinkProbe> makeSystemProbe()
{
    return std::make_unique<SystemProbe>();
}

LinkDetailCache::LinkDetailCache(std::unique_ptr<LinkProbe> probe) : probe_(std::move(probe)) {}

const LinkDetails& LinkDetailCache::lookup(const LinkInfo& link)
{
    const auto state = linkState(link);
    auto found = entries_.find(link.index);
    if (found != entries_.end() && found->second.name == link.name) {
        Entry& entry = found->second;
        if (entry.linkState != state) {
            entry.linkState = state;
            entry.details.speed = speedFromMbps(probe_->speedMbps(link.name).value_or(0));
        }
        return entry.details;
    }

    Entry entry;
    entry.name = link.name;
    entry.linkState = state;
    const HardwareName hardware = probe_->hardware(link.index, link.name);
    entry.details.wireless = hardware.wireless;
    entry.details.description = describeLink(hardware, link.name, link.kind, link.type);
    entry.details.speed = speedFromMbps(probe_->speedMbps(link.name).value_or(0));
    auto& stored = entries_[link.index];
    stored = std::move(entry);
    return stored.details;
}

void LinkDetailCache::prune(std::span<const LinkInfo> links)
{
    // Every link present was looked up before, so only a larger map holds departed ones.
    if (entries_.size() <= links.size())
        return;
    std::unordered_set<std::uint32_t> present;
    present.reserve(links.size());
    for (const auto& link : links)
        present.insert(link.index);
    std::erase_if(entries_, [&](const auto& item) { return !present.contains(item.first); });
}

}  // namespace brisvale::platform
