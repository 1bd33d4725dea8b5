#pragma once
// What any reader of the interface table must pay at least: one RTM_GETLINK dump on a new route
// netlink socket, read to its end and checked by libmnl, nothing made of it.

namespace brisvale::bench {

// True when the whole dump was read.
bool bareLinkDump();

}  // namespace brisvale::bench
