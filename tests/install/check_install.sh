#!/bin/sh
# Installs the build into a temporary prefix (through DESTDIR, as packagers
# do), checks every file a user expects, validates the desktop, MIME and
# XScreenSaver files, and runs the installed programs with a temporary HOME.
#   check_install.sh BUILD_DIR
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=/opt/zentrix-check
root=$work/root$prefix
fail() { echo "check_install: $*" >&2; exit 1; }

DESTDIR=$work/root cmake --install "$build" --prefix $prefix >/dev/null

for f in bin/zentrix bin/ztx bin/zentrix-xscreensaver bin/zentrix-uninstall \
         libexec/xscreensaver/zentrix-xscreensaver \
         lib/zentrix/PlugIns/rosette.so include/zentrix/plugin.h include/zentrix/module_record.h \
         "share/zentrix/presets/[D] Bezier.ZTX" share/zentrix/ReadMe.TXT share/zentrix/License.TXT \
         share/man/man1/zentrix.1 share/man/man1/ztx.1 share/man/man1/zentrix-xscreensaver.1 \
         share/applications/zentrix.desktop share/applications/zentrix-display.desktop \
         share/mime/packages/zentrix.xml share/xscreensaver/config/zentrix-xscreensaver.xml; do
  [ -e "$root/$f" ] || fail "not installed: $f"
done
[ "$(readlink "$root/bin/zentrix-setup")" = zentrix ] || fail "zentrix-setup is not a link to zentrix"
# Nothing outside the prefix.
[ "$(ls "$work/root")" = opt ] || fail "files outside the prefix: $(ls "$work/root")"

desktop-file-validate "$root"/share/applications/*.desktop || fail "desktop entries refused"
xmllint --noout "$root/share/mime/packages/zentrix.xml" "$root/share/xscreensaver/config/zentrix-xscreensaver.xml" \
  || fail "XML refused"
grep -q "arg-set=\"--display '\[D\] Bezier'\"" "$root/share/xscreensaver/config/zentrix-xscreensaver.xml" \
  || fail "the XScreenSaver settings do not offer the presets"
update-mime-database "$root/share/mime" >/dev/null 2>&1 || fail "update-mime-database refused the MIME file"
grep -q "application/zentrix" "$root/share/mime/globs2" || fail "no glob for .ZTX"
if command -v man >/dev/null; then
  for page in zentrix ztx zentrix-xscreensaver; do
    man -l "$root/share/man/man1/$page.1" >/dev/null 2>&1 || fail "man page $page(1) does not format"
  done
fi

# The installed programs run, on a HOME of their own.
home=$work/home
mkdir -p "$home"
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
unset ZENTRIX_REGISTRY || true
export ZENTRIX_SOUNDLINK=/ztx-install-check-$$
"$root/bin/ztx" displays | grep -q "^\[D\] Bezier$" || fail "installed ztx lists no displays"
"$root/libexec/xscreensaver/zentrix-xscreensaver" --help | grep -q -- "--display NAME" \
  || fail "the XScreenSaver hack does not run"
echo "check_install: all installed files present and valid"
