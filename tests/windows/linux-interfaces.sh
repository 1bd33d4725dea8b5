#!/bin/sh
# Writes the network interfaces that Linux reports to the file named by $1, one per line:
#   <index> <name> <ARPHRD type> <hardware address or -> [<IPv4 address> ...]
# The Windows tests compare what the IP helper library under Wine reports with it.
set -eu
out=$1
tmp=$out.tmp
: >"$tmp"
for dev in /sys/class/net/*; do
  name=${dev##*/}
  mac=$(cat "$dev/address" 2>/dev/null || true)
  addrs=$(ip -o -4 addr show dev "$name" |
    awk '{ for (i = 1; i < NF; ++i) if ($i == "inet") { split($(i + 1), a, "/"); printf " %s", a[1] } }')
  echo "$(cat "$dev/ifindex") $name $(cat "$dev/type") ${mac:--}$addrs" >>"$tmp"
done
mv "$tmp" "$out"
