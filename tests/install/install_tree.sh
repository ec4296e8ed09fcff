#!/usr/bin/env bash
# `cmake --install` into a scratch DESTDIR, as a person installs Pelmora:
# the desktop entry and the AppStream data pass their validators, the icon
# is there at every theme size and as SVG, and the installed program starts.
#   install_tree.sh BUILD_DIR DESKTOP_ID
set -uo pipefail
build=$1
id=$2
for tool in desktop-file-validate appstreamcli identify; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/install-deps test)"; exit 77; }
done
fail() { echo "FAIL: $*"; exit 1; }

dest=$(mktemp -d /tmp/pelmora-install-XXXXXX)
trap 'rm -rf "$dest"' EXIT
DESTDIR=$dest cmake --install "$build" --prefix /usr/local >/dev/null || fail "cmake --install"
root=$dest/usr/local

desktop-file-validate "$root/share/applications/$id.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$root/share/metainfo/$id.metainfo.xml" || fail "AppStream data"
icons=$root/share/icons/hicolor
for size in 16 22 24 32 48 64 128 256; do
  got=$(identify -format '%m %wx%h' "$icons/${size}x${size}/apps/$id.png" 2>&1)
  [ "$got" = "PNG ${size}x${size}" ] || fail "icon at $size px: $got"
done
grep -q '<svg ' "$icons/scalable/apps/$id.svg" || fail "no SVG icon"

# Started from where it was installed, it keeps running until told to end.
QT_QPA_PLATFORM=offscreen timeout 3 "$root/bin/pelmora"
status=$?
[ $status -eq 124 ] || fail "the installed program ended with status $status"
echo "install tree: passed"
