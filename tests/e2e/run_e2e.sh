#!/usr/bin/env bash
# Runs one real-display test (a Python script beside this file) with the
# program given: under the X display of the caller (./test starts Xvfb),
# with a private accessibility bus. Exit 77 (skipped) without a display or
# without the accessibility tools.
set -u
script=$1
binary=$2
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${DISPLAY:-}" ] && [ "${PELMORA_E2E_DISPLAY:-x11}" = x11 ]; then
  echo "SKIP: no X display (./test starts Xvfb for these tests)"
  exit 77
fi
for tool in dbus-run-session xdotool import /usr/bin/python3; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/install-deps test)"; exit 77; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "SKIP: python3-pyatspi is missing"; exit 77; }

export PYTHONPATH="$here${PYTHONPATH:+:$PYTHONPATH}"
# PELMORA_DOCS (a folder) makes the tests save screenshots there (scripts/screenshots).
# The private session and accessibility buses chatter on stderr; keep the rest.
exec timeout 240 dbus-run-session -- /usr/bin/python3 "$here/$script" "$binary" \
  2> >(grep -v -e 'dbus-daemon' -e 'SpiRegistry' -e 'XDG_RUNTIME_DIR' >&2)
