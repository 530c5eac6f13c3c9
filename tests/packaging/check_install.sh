#!/usr/bin/env bash
# `cmake --install` into a fresh prefix: every file in its place, the icons at their sizes, the
# desktop entry and AppStream data valid, and the installed report running from there.
# Usage: check_install.sh <build dir>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/installed_files.sh"
build=$1

skip() { echo "SKIPPED: $*"; exit 77; }
for tool in desktop-file-validate appstreamcli file; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (make deps installs it)"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix with blank"
cmake --install "$build" --prefix "$prefix" >/dev/null

status=0
fail() { echo "FAIL: $*"; status=1; }
for f in "${HL_INSTALLED_FILES[@]}"; do
  [ -f "$prefix/$f" ] || fail "missing $f"
done
for f in bin/harborlight bin/harborlight-report; do
  [ -x "$prefix/$f" ] || fail "$f is not executable"
done
for size in "${HL_ICON_SIZES[@]}"; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/$HL_DESKTOP_ID.png"
  file "$icon" | grep -q "PNG image data, $size x $size" || fail "icon $size: $(file -b "$icon")"
done
grep -q '^Exec=harborlight$' "$prefix/share/applications/$HL_DESKTOP_ID.desktop" ||
  fail "the desktop entry does not start harborlight"
grep -q "<release version=\"1.1\"" "$prefix/share/metainfo/$HL_DESKTOP_ID.metainfo.xml" ||
  fail "the AppStream data has no release 1.1"
hl_validate_desktop_files "$prefix" || fail "validation"

# Installed anywhere, the programs run from there.
moved="$work/moved"
mv "$prefix" "$moved"
[ "$(hl_report_first_line "$moved/bin/harborlight-report")" = "$hl_report_header" ] ||
  fail "the installed harborlight-report does not write the list"
[ -f "$moved/bin/../share/harborlight/help/index.html" ] || fail "help not beside bin/../share"

[ $status = 0 ] && echo "installed tree OK"
exit $status
