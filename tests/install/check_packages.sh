#!/bin/sh
# Makes the release archive and the Debian package from the build, checks
# the archive is a package folder setup can install from, and installs the
# .deb into a private dpkg root and removes it again: nothing may be left.
#   check_packages.sh BUILD_DIR
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "check_packages: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/out" -G "TGZ;DEB" >/dev/null || fail "cpack failed"
archive=$(ls "$work"/out/zentrix-*.tar.gz)
deb=$(ls "$work"/out/zentrix_*.deb)

mkdir "$work/unpacked"
tar -xzf "$archive" -C "$work/unpacked"
folder=$work/unpacked/$(basename "$archive" .tar.gz)
for f in zentrix ztx zentrix-xscreensaver zentrix-uninstall ReadMe.TXT License.TXT \
         "presets/[D] Bezier.ZTX" PlugIns/rosette.so include/zentrix/plugin.h; do
  [ -e "$folder/$f" ] || fail "the archive lacks $f"
done
[ "$(readlink "$folder/zentrix-setup")" = zentrix ] || fail "the archive's zentrix-setup is not a link to zentrix"

dpkg-deb -f "$deb" Depends | grep -q "libqt6widgets6" || fail "the .deb does not depend on Qt Widgets"
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
touch "$root/var/lib/dpkg/status"
dpkg="dpkg --root=$root --force-depends --force-script-chrootless --log=/dev/null"
$dpkg -i "$deb" >/dev/null 2>&1 || fail "dpkg -i failed"
[ -x "$root/usr/bin/zentrix" ] && [ -L "$root/usr/libexec/xscreensaver/zentrix-xscreensaver" ] \
  || fail "the .deb did not install the programs"
$dpkg --purge zentrix >/dev/null 2>&1 || fail "dpkg --purge failed"
left=$(find "$root" -path "$root/var" -prune -o -print | grep -v "^$root\$" || true)
[ -z "$left" ] || fail "left behind after removal: $left"
echo "check_packages: archive and .deb are complete; the .deb leaves nothing behind"
