#!/usr/bin/env bash
# The Debian package as a user gets it: built with CPack, its contents and fields checked,
# installed with apt, its programs run, and removed again without a trace.
# Runs as root only (it installs into /usr), never when a harborlight package is installed
# already, and one at a time on a machine.
# Usage: check_deb.sh <build dir>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/installed_files.sh"
build=$(cd "$1" && pwd)

skip() { echo "SKIPPED: $*"; exit 77; }
[ "$(id -u)" = 0 ] || skip "needs root: the package is installed into /usr and removed again"
for tool in cpack dpkg-shlibdeps dpkg-deb apt-get desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (make deps installs it)"
done
[ -f "$build/CPackConfig.cmake" ] || skip "no CPack configuration in $build"

exec 9>/run/lock/harborlight-deb-test.lock
flock -w 600 9 || skip "another run of this check held the lock for 10 minutes"
installed() { dpkg-query -W -f='${Status}' harborlight 2>/dev/null | grep -q 'ok installed'; }
installed && skip "a harborlight package is installed already; this check leaves it alone"
for f in "${HL_INSTALLED_FILES[@]}"; do
  [ ! -e "/usr/$f" ] || skip "/usr/$f exists (installed by hand?); this check leaves it alone"
done

work=$(mktemp -d)
we_installed=0
cleanup() {
  if [ $we_installed = 1 ] && installed; then
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq -o DPkg::Lock::Timeout=300 harborlight >/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

# The package, built as `make deb` builds it, into a folder of its own.
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >cpack.log 2>&1) ||
  { cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1; }
debs=("$work"/harborlight_*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: no single .deb: ${debs[*]}"; exit 1; }
deb=${debs[0]}
echo "built $(basename "$deb"), $(stat -c %s "$deb") bytes"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = harborlight ] || fail "Package: $(field Package)"
[ "$(field Version)" = 1.1 ] || fail "Version: $(field Version)"
[ "$(field Section)" = net ] || fail "Section: $(field Section)"
[ -n "$(field Description)" ] || fail "no Description"
depends=$(field Depends)
echo "Depends: $depends"
for dep in libc6 libstdc++6 libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins; do
  grep -Fxq "$dep" < <(sed 's/ *([^)]*)//g; s/, */\n/g' <<<"$depends") || fail "Depends lacks $dep"
done

[ "$(field Recommends)" = xdg-utils ] || fail "Recommends: $(field Recommends)"

contents=$(dpkg -c "$deb" | awk '{print $6}')
for f in "${HL_INSTALLED_FILES[@]}"; do
  grep -qx "./usr/$f" <<<"$contents" || fail "the package lacks /usr/$f"
done

# Installed the way the README says, with apt resolving the dependencies.
we_installed=1
# Without the recommended packages, so that it needs no download when the dependencies are there.
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=300 "$deb" >"$work/apt.log" 2>&1 ||
  { cat "$work/apt.log"; echo "FAIL: apt-get install"; exit 1; }
installed || fail "dpkg does not list harborlight as installed"

[ "$(hl_report_first_line /usr/bin/harborlight-report)" = "$hl_report_header" ] ||
  fail "harborlight-report does not write the list"
hl_validate_desktop_files /usr || fail "validation of the installed files"
exec_line=$(sed -n 's/^Exec=//p' "/usr/share/applications/$HL_DESKTOP_ID.desktop")
[ "$(command -v "$exec_line")" = /usr/bin/harborlight ] || fail "the menu entry starts '$exec_line'"
# The window starts and keeps running until it is stopped (124: stopped by timeout).
rc=0
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/config" \
  timeout 5 /usr/bin/harborlight >/dev/null 2>"$work/window.log" || rc=$?
[ $rc = 124 ] || { cat "$work/window.log"; fail "harborlight ended with $rc instead of running"; }

# Removed, it leaves none of its files.
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq -o DPkg::Lock::Timeout=300 harborlight >/dev/null
we_installed=0
installed && fail "harborlight is still installed after purge"
for f in "${HL_INSTALLED_FILES[@]}"; do
  [ ! -e "/usr/$f" ] || fail "/usr/$f is left after purge"
done
[ ! -e /usr/share/harborlight ] || fail "/usr/share/harborlight is left after purge"

[ $status = 0 ] && echo "package OK"
exit $status
