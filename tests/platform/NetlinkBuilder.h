#pragma once
// Builds rtnetlink datagrams byte by byte, so that tests can hand the parser whole dumps as
// well as broken ones.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include <linux/netlink.h>

namespace brisvale::testing {

class NetlinkBuilder {
public:
    // Starts a message; later appends belong to it until the next one starts.
    NetlinkBuilder& message(std::uint16_t type, std::uint32_t sequence, std::uint32_t port,
                            std::uint16_t flags = NLM_F_MULTI)
    {
        align();
        messageStart_ = bytes_.size();
        nlmsghdr header{};
        header.nlmsg_type = type;
        header.nlmsg_flags = flags;
        header.nlmsg_seq = sequence;
        header.nlmsg_pid = port;
        append(&header, sizeof header);
        fixLength();
        return *this;
    }

    template <typename Header>
    NetlinkBuilder& header(const Header& value)
    {
        append(&value, sizeof value);
        align();
        fixLength();
        return *this;
    }

    // An attribute whose declared length is the payload's, unless one is given.
    NetlinkBuilder& attribute(std::uint16_t type, const void* payload, std::size_t size,
                              int declaredLength = -1)
    {
        align();
        nlattr attr{};
        attr.nla_type = type;
        attr.nla_len = static_cast<std::uint16_t>(declaredLength >= 0 ? declaredLength : NLA_HDRLEN + size);
        append(&attr, sizeof attr);
        append(payload, size);
        align();
        fixLength();
        return *this;
    }

    template <typename T>
    NetlinkBuilder& value(std::uint16_t type, const T& payload)
    {
        return attribute(type, &payload, sizeof payload);
    }

    NetlinkBuilder& text(std::uint16_t type, const std::string& payload)
    {
        return attribute(type, payload.c_str(), payload.size() + 1);
    }

    NetlinkBuilder& beginNest(std::uint16_t type)
    {
        align();
        nests_.push_back(bytes_.size());
        nlattr attr{};
        attr.nla_type = type;
        append(&attr, sizeof attr);
        fixLength();
        return *this;
    }

    NetlinkBuilder& endNest()
    {
        const std::size_t start = nests_.back();
        nests_.pop_back();
        const auto length = static_cast<std::uint16_t>(bytes_.size() - start);
        std::memcpy(bytes_.data() + start + offsetof(nlattr, nla_len), &length, sizeof length);
        return *this;
    }

    // Overwrites the current message's length field, e.g. to claim more than it holds.
    NetlinkBuilder& declareMessageLength(std::uint32_t length)
    {
        std::memcpy(bytes_.data() + messageStart_ + offsetof(nlmsghdr, nlmsg_len), &length, sizeof length);
        return *this;
    }

    NetlinkBuilder& raw(const void* data, std::size_t size)
    {
        append(data, size);
        return *this;
    }

    const std::vector<std::byte>& bytes() const { return bytes_; }

    std::span<const std::byte> span() const { return bytes_; }

    std::span<const std::byte> first(std::size_t n) const { return span().first(n); }

private:
    void append(const void* data, std::size_t size)
    {
        const auto* p = static_cast<const std::byte*>(data);
        bytes_.insert(bytes_.end(), p, p + size);
    }

    void align()
    {
        while (bytes_.size() % NLMSG_ALIGNTO != 0)
            bytes_.push_back(std::byte{0});
    }

    void fixLength()
    {
        const auto length = static_cast<std::uint32_t>(bytes_.size() - messageStart_);
        std::memcpy(bytes_.data() + messageStart_ + offsetof(nlmsghdr, nlmsg_len), &length, sizeof length);
    }

    std::vector<std::byte> bytes_;
    std::size_t messageStart_ = 0;
    std::vector<std::size_t> nests_;
};

}  // namespace brisvale::testing
