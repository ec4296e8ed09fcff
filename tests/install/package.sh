#!/usr/bin/env bash
# The Debian package: cpack builds pelmora_<version>_<arch>.deb from the
# build tree, it holds the installed files under /usr and the dependencies
# no linker sees, dpkg installs it, the installed program starts, and
# dpkg -r takes every one of its files away again. Needs root; a pelmora
# package installed on this machine by hand is left alone.
#   package.sh BUILD_DIR DESKTOP_ID VERSION
set -uo pipefail
build=$1
id=$2
version=$3
[ "$(id -u)" -eq 0 ] || { echo "SKIP: installing a package needs root"; exit 77; }
for tool in cpack dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/install-deps test)"; exit 77; }
done
if dpkg-query -W -f='${Status}' pelmora 2>/dev/null | grep -q ' installed$'; then
  echo "SKIP: a pelmora package is installed on this machine; the test leaves it alone"
  exit 77
fi
fail() { echo "FAIL: $*"; exit 1; }

out=$(mktemp -d /tmp/pelmora-package-XXXXXX)
installed=
trap '[ -n "$installed" ] && dpkg -P pelmora >/dev/null 2>&1; rm -rf "$out"' EXIT
(cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1) || { cat "$out/cpack.log"; fail "cpack"; }
deb=$out/pelmora_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$out")"

contents=$(dpkg-deb --contents "$deb" | awk '{ print $NF }')
# One file of each install rule (the icons are one folder; install/tree
# checks every size).
for f in ./usr/bin/pelmora "./usr/share/applications/$id.desktop" \
         "./usr/share/metainfo/$id.metainfo.xml" "./usr/share/icons/hicolor/scalable/apps/$id.svg"; do
  grep -qxF "$f" <<<"$contents" || fail "the package lacks $f"
done
depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6widgets6 libc6 qt6-qpa-plugins; do
  grep -q "\b$p\b" <<<"$depends" || fail "Depends lacks $p: $depends"
done
grep -q qt6-wayland <<<"$(dpkg-deb -f "$deb" Recommends)" || fail "qt6-wayland not recommended"

dpkg -i "$deb" >/dev/null || fail "dpkg -i"
installed=1
QT_QPA_PLATFORM=offscreen timeout 3 /usr/bin/pelmora
status=$?
[ $status -eq 124 ] || fail "the installed /usr/bin/pelmora ended with status $status"

files=$(dpkg -L pelmora | while read -r f; do [ -d "$f" ] || echo "$f"; done)
dpkg -r pelmora >/dev/null || fail "dpkg -r"
installed=
left=$(while read -r f; do [ -e "$f" ] && echo "$f"; done <<<"$files")
[ -z "$left" ] || fail "left behind: $left"
dpkg -P pelmora >/dev/null 2>&1
echo "package: passed"
