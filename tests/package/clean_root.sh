#!/usr/bin/env bash
# The package on a clean machine: builds (or takes from the cache) a minimal Debian 12 root with
# debootstrap, installs the package there with `apt-get install ./tovarin_*.deb` (its
# dependencies coming from Debian's archive), starts the installed program on an Xvfb inside the
# root, sees its window "Tovarin 1.2" at 244 x 398, ends it with its exit button, removes the
# package and checks that nothing of it is left.
#
#   tests/package/clean_root.sh PATH/TO/tovarin_VERSION_amd64.deb
#
# Exit status: 0 passed, 1 failed, 77 skipped (not root, or no debootstrap/unshare/chroot).
# The root is kept as a tarball in $TOVARIN_ROOT_CACHE (default /var/cache/tovarin) together
# with the packages apt downloaded, so later runs neither bootstrap nor download again.
set -euo pipefail

deb=${1:-}
if [ -z "$deb" ] || [ ! -f "$deb" ]; then
  echo "usage: $0 PATH/TO/tovarin_VERSION_amd64.deb" >&2
  exit 2
fi
deb=$(realpath "$deb")

skip() {
  echo "clean_root: skipped: $*"
  exit 77
}
[ "$(id -u)" -eq 0 ] || skip "needs root"
for tool in debootstrap unshare chroot; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done

cache=${TOVARIN_ROOT_CACHE:-/var/cache/tovarin}
suite=bookworm
# The tools the test itself uses inside the root; the program's own dependencies are not in the
# cached root, they come with the package.
root_tools=xvfb,xauth,x11-utils,xdotool
# Uncompressed: unpacking it is the quickest way to a fresh root (compressing ~400 MB took longer
# than it saved).
root_tarball=$cache/debian-$suite-root.tar
archives=$cache/archives
started=$(date +%s)

# Debian's archive as this machine's apt reaches it (deb822 or one-line sources).
Mirror() {
  local found
  found=$(grep -hsE '^(URIs:|deb )' /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
            /etc/apt/sources.list.d/*.sources 2>/dev/null |
          grep -oE 'https?://[^ ]*/debian/?( |$)' | grep -v security | head -n 1 | tr -d ' ')
  echo "${found:-http://deb.debian.org/debian}"
}
mirror=$(Mirror)

work=$(mktemp -d /var/tmp/tovarin-clean-root.XXXXXX)
root=$work/root
cleanup() {
  # Mounts live in this script's private mount namespace (unshare below) and vanish with it;
  # this only removes the unpacked root.
  rm -rf --one-file-system "$work"
}
trap cleanup EXIT

mkdir -p "$cache" "$archives"
if [ -f "$root_tarball" ]; then
  echo "clean_root: unpacking the cached root $root_tarball"
  mkdir -p "$root"
  tar -xf "$root_tarball" -C "$root"
else
  echo "clean_root: bootstrapping Debian $suite from $mirror"
  debootstrap --variant=minbase --include="$root_tools" "$suite" "$root" "$mirror" \
    >"$work/debootstrap.log" 2>&1 || {
    tail -n 30 "$work/debootstrap.log"
    echo "clean_root: debootstrap failed"
    exit 1
  }
  # The same archive for apt inside the root, with updates and security fixes.
  security=${mirror%/debian*}/debian-security
  {
    echo "deb $mirror $suite main"
    echo "deb $mirror $suite-updates main"
    echo "deb $security $suite-security main"
  } >"$root/etc/apt/sources.list"
  rm -f "$root"/var/cache/apt/archives/*.deb
  tar -cf "$root_tarball.part" -C "$root" . && mv "$root_tarball.part" "$root_tarball"
  echo "clean_root: root cached in $root_tarball"
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$root/tmp/"
# The inside part runs in the root, in a mount namespace of its own.
install -m 0755 "$(dirname "$0")/clean_root_inside.sh" "$root/tmp/clean_root_inside.sh"

set +e
unshare --mount --propagation private -- bash -euo pipefail -c '
  root=$1 archives=$2
  mount -t proc proc "$root/proc"
  mount --rbind /dev "$root/dev"
  mount -t sysfs sys "$root/sys"
  mount -t tmpfs tmpfs "$root/run"
  # apt keeps what it downloads in the cache, for the next run.
  mount --bind "$archives" "$root/var/cache/apt/archives"
  chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    /tmp/clean_root_inside.sh "/tmp/$(basename "$3")"
' clean_root "$root" "$archives" "$deb"
status=$?
set -e
echo "clean_root: $(( $(date +%s) - started )) s"
if [ "$status" -ne 0 ]; then
  echo "clean_root: FAILED"
  exit 1
fi
echo "clean_root: passed"
