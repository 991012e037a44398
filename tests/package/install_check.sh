#!/usr/bin/env bash
# `cmake --install` into a fresh prefix, then checks what it put there: the programs, the data
# folder the program finds from its own place, the icon theme's PNGs at their sizes, a valid
# desktop entry and AppStream metainfo, and the systemd unit of tovarin-gateway.
#   tests/package/install_check.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: $0 BUILD_DIR}
prefix=$(mktemp -d /tmp/tovarin-install.XXXXXX)
trap 'rm -rf "$prefix"' EXIT
failed=0
fail() {
  echo "install_check: $*" >&2
  failed=1
}

cmake --install "$build" --prefix "$prefix" >/dev/null

for file in bin/tovarin bin/tovarin-gateway share/tovarin/skins/blue.xpt share/tovarin/fonts/fonts.conf \
            share/tovarin/pictures/skin.bmp share/tovarin/pictures/loading.gif share/tovarin/pictures/tovarin.ico \
            share/applications/tovarin.desktop share/metainfo/com.tovarin.Tovarin.metainfo.xml \
            lib/systemd/system/tovarin-gateway.service; do
  [ -f "$prefix/$file" ] || fail "no $file"
done
for program in bin/tovarin bin/tovarin-gateway; do
  [ -x "$prefix/$program" ] || fail "$program is not executable"
done

# The icon theme: PNGs of the sizes their folders name.
for size in 16 32 48 128; do
  icon=$prefix/share/icons/hicolor/${size}x${size}/apps/tovarin.png
  if [ ! -f "$icon" ]; then
    fail "no ${size}x${size} icon"
    continue
  fi
  # PNG signature, then the IHDR chunk: width and height as 32-bit big-endian numbers.
  header=$(od -An -tx1 -N24 "$icon" | tr -d ' \n')
  [ "${header:0:16}" = 89504e470d0a1a0a ] || fail "the ${size}x${size} icon is not a PNG"
  [ $((16#${header:32:8})) -eq "$size" ] && [ $((16#${header:40:8})) -eq "$size" ] ||
    fail "the ${size}x${size} icon is $((16#${header:32:8})) x $((16#${header:40:8}))"
done

desktop=$prefix/share/applications/tovarin.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects tovarin.desktop"
grep -qxF 'Categories=Network;WebBrowser;' "$desktop" || fail "the desktop entry is not in Network and WebBrowser"
grep -qxF 'Exec=tovarin' "$desktop" || fail "the desktop entry does not start tovarin"
grep -qxF 'Icon=tovarin' "$desktop" || fail "the desktop entry does not name the tovarin icon"
appstreamcli validate --no-net "$prefix/share/metainfo/com.tovarin.Tovarin.metainfo.xml" ||
  fail "appstreamcli rejects the metainfo"

# The unit: installed for the prefix's program, listening on loopback, hardened.
unit=$prefix/lib/systemd/system/tovarin-gateway.service
grep -qF "ExecStart=$prefix/bin/tovarin-gateway --listen " "$unit" || fail "the unit does not start the installed tovarin-gateway"
grep -qxF 'Environment=TOVARIN_GATEWAY_LISTEN=127.0.0.1:8080' "$unit" || fail "the unit does not listen on 127.0.0.1:8080"
for setting in DynamicUser=yes NoNewPrivileges=yes ProtectSystem=strict ProtectHome=yes PrivateTmp=yes \
               'CapabilityBoundingSet=' RestrictSUIDSGID=yes; do
  grep -qxF "$setting" "$unit" || fail "the unit lacks $setting"
done
if command -v systemd-analyze >/dev/null; then
  systemd-analyze verify "$unit" || fail "systemd-analyze rejects the unit"
fi

# Nothing in the data folder or the unit names the build tree.
if grep -rlF "$(cd "$build" && pwd)" "$prefix/share" "$prefix/lib" >/dev/null; then
  fail "installed data names the build folder"
fi

[ "$failed" -eq 0 ] && echo "install_check: passed"
exit "$failed"
