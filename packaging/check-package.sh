#!/usr/bin/env bash
# Builds the Debian package from a build folder into a temporary folder and checks it: the files it
# holds (and nothing else), its control fields, and its desktop entry and metainfo as a desktop would
# read them. Changes nothing outside the temporary folder.
#
#   check-package.sh <cpack> <build folder> <version> <packaging source folder> "<icon sizes>"
#
# Exits 77 (skipped) when a Debian packaging tool is missing.
set -uo pipefail

cpack=$1 build=$2 version=$3 source=$4 sizes=$5
app_id=example.brisvale.Brisvale

missing=()
for tool in dpkg-deb dpkg-shlibdeps dpkg-architecture desktop-file-validate appstreamcli file readelf; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "SKIP: missing ${missing[*]} (scripts/setup installs them)"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

if ! "$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack could not build the package"
  exit 1
fi
shopt -s nullglob
debs=("$work"/out/*.deb)
if [ ${#debs[@]} -ne 1 ]; then
  cat "$work/cpack.log"
  echo "FAIL: expected one .deb, found ${#debs[@]}"
  exit 1
fi
deb=${debs[0]}
arch=$(dpkg-architecture -qDEB_HOST_ARCH)
expected_name="brisvale_${version}_${arch}.deb"
[ "$(basename "$deb")" = "$expected_name" ] && pass "file name $expected_name" \
  || fail "file name $(basename "$deb"), expected $expected_name"

# Contents: exactly the program's files, owned by root, under /usr and nowhere else.
expected=(
  ./usr/bin/brisvale
  "./usr/share/applications/$app_id.desktop"
  "./usr/share/metainfo/$app_id.metainfo.xml"
)
for size in $sizes; do
  expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
dpkg-deb -c "$deb" >"$work/contents" || fail "dpkg-deb -c"
files=$(awk '$1 !~ /^d/ {print $NF}' "$work/contents" | sort)
want=$(printf '%s\n' "${expected[@]}" | sort)
if [ "$files" = "$want" ]; then
  pass "contents: ${#expected[@]} files, as expected"
else
  fail "contents differ from the expected list (< package, > expected):"
  diff <(echo "$files") <(echo "$want")
fi
awk '{print $NF}' "$work/contents" | grep -v -E '^\./(usr/?.*)?$' && fail "paths outside /usr"
grep -E '\./usr/local' "$work/contents" && fail "paths under /usr/local"
grep -F "$build" "$work/contents" && fail "paths with the build folder in them"
awk '$2 != "root/root"' "$work/contents" | grep . && fail "files not owned by root/root"
grep -E '^-rwxr-xr-x .*\./usr/bin/brisvale$' "$work/contents" >/dev/null \
  && pass "program is executable" || fail "program is not mode 755"

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
dpkg-deb -I "$deb" >"$work/info" || fail "dpkg-deb -I"
[ "$(field Package)" = brisvale ] && pass "Package brisvale" || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] && pass "Version $version" || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$arch" ] && pass "Architecture $arch" || fail "Architecture: $(field Architecture)"
[ -n "$(field Maintainer)" ] && [ -n "$(field Description)" ] && pass "Maintainer and Description" \
  || fail "Maintainer or Description empty"
depends=$(field Depends)
recommends=$(field Recommends)
echo "Depends: $depends"
# Each wanted relation, as a whole item of the comma-separated list.
has_item() { tr ',' '\n' <<<"$1" | sed -E 's/^ +| +$//g' | grep -E -x "$2" >/dev/null; }
for lib in libqt6widgets6 libqt6gui6 libqt6core6 libmnl0 libc6 libstdc++6; do
  has_item "$depends" "${lib//+/\\+}( \(>= [^)]+\))?" && pass "Depends $lib" || fail "Depends lacks $lib"
done
for font in 'fonts-wqy-microhei | fonts-noto-cjk' 'fonts-liberation'; do
  if has_item "$depends" "${font//|/\\|}" || has_item "$recommends" "${font//|/\\|}"; then
    pass "relation $font"
  else
    fail "neither Depends nor Recommends has $font"
  fi
done
grep -q -F "$build" "$work/info" && fail "control data mentions the build folder"

# The staged files, as a desktop reads them.
root=$work/root
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x"
desktop=$root/usr/share/applications/$app_id.desktop
metainfo=$root/usr/share/metainfo/$app_id.metainfo.xml
desktop-file-validate "$desktop" && pass "desktop-file-validate" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" >"$work/appstream" 2>&1 && pass "appstreamcli validate" \
  || { cat "$work/appstream"; fail "appstreamcli validate"; }
entry() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(entry Exec)" = brisvale ] && pass "Exec brisvale" || fail "Exec: $(entry Exec)"
[ "$(entry Icon)" = "$app_id" ] && pass "Icon $app_id" || fail "Icon: $(entry Icon)"
[ "$(entry Name)" = Brisvale ] && pass "Name Brisvale" || fail "Name: $(entry Name)"
grep -q -x "  <launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$metainfo" \
  && pass "metainfo launches the desktop entry" || fail "metainfo's launchable is not $app_id.desktop"
grep -q "<release version=\"$version\"" "$metainfo" && pass "metainfo names release $version" \
  || fail "metainfo has no release $version"
icons_ok=1
for size in $sizes; do
  icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png
  file -b "$icon" | grep -q "^PNG image data, $size x $size," || { fail "icon ${size}px: $(file -b "$icon")"; icons_ok=0; }
done
[ "$icons_ok" = 1 ] && pass "icons are PNG of their folders' sizes: $sizes"

# The packaged icons must still be the ones drawn from the window's pictures.
if command -v python3 >/dev/null; then
  python3 "$source/icons/make-icons.py" --check "$root/usr/share/icons" \
    && pass "icons match the window's pictures" || fail "icons differ from the window's pictures"
else
  echo "note: no python3, icons not compared with the window's pictures"
fi

program=$root/usr/bin/brisvale
file -b "$program" | grep -q "^ELF .* executable" \
  && pass "program is an ELF executable" || fail "program: $(file -b "$program")"
readelf -d "$program" | grep -E 'R(UN)?PATH' && fail "program carries a library search path"

# The source folder's copies are what got packaged.
cmp -s "$source/$app_id.desktop" "$desktop" || fail "packaged desktop entry differs from the source"
cmp -s "$source/$app_id.metainfo.xml" "$metainfo" || fail "packaged metainfo differs from the source"

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "package $(basename "$deb") passed every check"
