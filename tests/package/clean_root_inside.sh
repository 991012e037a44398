#!/usr/bin/env bash
# The part of clean_root.sh that runs inside the Debian root (chrooted, in a mount namespace of
# its own): install the package, run the program, remove the package, compare the file lists.
#   clean_root_inside.sh /tmp/tovarin_VERSION_amd64.deb
set -euo pipefail
deb=$1
export DEBIAN_FRONTEND=noninteractive
fail() {
  echo "clean_root: $*" >&2
  exit 1
}

# Every file and folder of the root except the live and volatile ones (kernel file systems,
# temporary files, apt's and dpkg's own records, logs, caches).
FileList() {
  find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /run -o -path /tmp \
    -o -path /root -o -path /var/cache -o -path /var/lib/apt -o -path /var/lib/dpkg \
    -o -path /var/log -o -path /var/tmp \) -prune -o -print | LC_ALL=C sort
}

apt-get update -q >/dev/null
dpkg-query -W -f='${Package}\n' | LC_ALL=C sort >/tmp/packages-before

# The package as a user installs it: its dependencies come from Debian's archive.
echo "clean_root: apt-get install $deb"
apt-get install -y -q --no-install-recommends "$deb" >/tmp/install.log 2>&1 || {
  tail -n 30 /tmp/install.log
  fail "the package did not install"
}
echo "clean_root: $(grep -E '^[0-9]+ upgraded, [0-9]+ newly installed' /tmp/install.log)"
dpkg-query -L tovarin | LC_ALL=C sort >/tmp/package-files
# The root as it is with the dependencies but without the package: removed once here, then
# installed again for the run, so the comparison after the final removal is exact (what the
# dependencies' own maintainer scripts leave behind is not the package's).
apt-get purge -y -q tovarin >/tmp/remove.log 2>&1 || fail "the package did not uninstall"
FileList >/tmp/files-before
apt-get install -y -q --no-install-recommends "$deb" >/tmp/install.log 2>&1 || fail "the package did not install again"
for installed in /usr/bin/tovarin /usr/bin/tovarin-gateway /usr/share/tovarin/skins/blue.xpt \
                 /usr/share/tovarin/fonts/fonts.conf /usr/share/applications/tovarin.desktop \
                 /usr/share/icons/hicolor/48x48/apps/tovarin.png \
                 /usr/lib/systemd/system/tovarin-gateway.service; do
  grep -qxF "$installed" /tmp/package-files || fail "the package has no $installed"
done
# The service is installed but not enabled.
if find /etc/systemd/system -name 'tovarin-gateway.service' 2>/dev/null | grep -q .; then
  fail "tovarin-gateway.service is enabled"
fi

# The installed program on an X server of its own.
export DISPLAY=:7 NO_AT_BRIDGE=1 XDG_RUNTIME_DIR=/tmp/runtime
mkdir -m 0700 -p "$XDG_RUNTIME_DIR"
Xvfb :7 -screen 0 1024x768x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
xvfb=$!
program=
stop_all() {
  [ -n "$program" ] && kill "$program" 2>/dev/null && wait "$program" 2>/dev/null
  kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  return 0
}
trap stop_all EXIT
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || fail "Xvfb did not start"

(cd / && exec tovarin >/tmp/tovarin.log 2>&1) &
program=$!
window=
for _ in $(seq 600); do
  window=$(xdotool search --onlyvisible --name '^Tovarin 1\.2$' 2>/dev/null | head -n 1) || true
  [ -n "$window" ] && break
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$window" ]; then
  cat /tmp/tovarin.log
  fail "no window \"Tovarin 1.2\" appeared"
fi
info=$(xwininfo -id "$window")
width=$(awk '/^ *Width:/ {print $2}' <<<"$info")
height=$(awk '/^ *Height:/ {print $2}' <<<"$info")
left=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
top=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
echo "clean_root: window \"Tovarin 1.2\" at $left,$top, $width x $height"
[ "$width" = 244 ] && [ "$height" = 398 ] || fail "the window is $width x $height, not 244 x 398"
# Centred on the 1024 x 768 screen.
[ "$left" = $(((1024 - 244) / 2)) ] && [ "$top" = $(((768 - 398) / 2)) ] ||
  fail "the window is not centred on the screen"

# The exit button a3 (208, 1.3, 23.3 x 23 pixels): a click in its middle ends the program.
sleep 1
xdotool mousemove $((left + 219)) $((top + 12))
sleep 0.3
xdotool click 1
for _ in $(seq 300); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$program" 2>/dev/null; then
  cat /tmp/tovarin.log
  fail "the program did not end on its exit button"
fi
wait "$program" && exit_status=0 || exit_status=$?
program=
[ "$exit_status" -eq 0 ] || fail "the program ended with status $exit_status"
echo "clean_root: the program ended on its exit button"
stop_all
trap - EXIT

echo "clean_root: apt-get purge tovarin"
apt-get purge -y -q tovarin >/tmp/remove.log 2>&1 || {
  tail -n 30 /tmp/remove.log
  fail "the package did not uninstall"
}
FileList >/tmp/files-after
# Files the package listed must be gone (folders may stay when others use them).
while read -r path; do
  if [ -e "$path" ] && ! grep -qxF "$path" /tmp/files-before; then
    fail "$path is left after removal"
  fi
done </tmp/package-files
if ! diff /tmp/files-before /tmp/files-after >/tmp/files-diff; then
  cat /tmp/files-diff
  fail "the root's files differ from before the install"
fi
echo "clean_root: nothing of the package is left: $(wc -l </tmp/files-before) paths before and after"
# Its dependencies were all pulled in for it: autoremove takes the root back to its packages.
apt-get autoremove -y -q --purge >/tmp/autoremove.log 2>&1 || fail "apt-get autoremove failed"
dpkg-query -W -f='${Package}\n' | LC_ALL=C sort >/tmp/packages-after
if ! cmp -s /tmp/packages-before /tmp/packages-after; then
  diff /tmp/packages-before /tmp/packages-after || true
  fail "the installed packages differ from before the install"
fi
