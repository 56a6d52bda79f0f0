#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR under /usr and checks what a desktop expects to
# find there. Usage: check_install.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$build" --prefix /usr >/dev/null
usr="$root/usr"
status=0
fail() { echo "FAIL: $*"; status=1; }

for file in bin/vantrel bin/vantrel-cli share/vantrel/vantrel.lan share/vantrel/winaqua.skn \
    share/applications/org.vantrel.Vantrel.desktop share/metainfo/org.vantrel.Vantrel.metainfo.xml \
    share/mime/packages/vantrel.xml share/icons/hicolor/scalable/apps/vantrel.svg \
    share/icons/hicolor/48x48/apps/vantrel.png share/icons/hicolor/128x128/apps/vantrel.png \
    share/icons/hicolor/256x256/apps/vantrel.png share/man/man1/vantrel.1 share/man/man1/vantrel-cli.1 \
    share/bash-completion/completions/vantrel-cli; do
  [ -s "$usr/$file" ] || fail "missing $file"
done
[ -x "$usr/bin/vantrel" ] && [ -x "$usr/bin/vantrel-cli" ] || fail "programs not executable"

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$usr/share/applications/org.vantrel.Vantrel.desktop" | grep -v ': hint:' && fail "desktop entry"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$usr/share/metainfo/org.vantrel.Vantrel.metainfo.xml" >/dev/null ||
    fail "AppStream file"
fi
if command -v xmllint >/dev/null; then
  xmllint --noout "$usr/share/mime/packages/vantrel.xml" || fail "MIME entry"
fi

for program in vantrel vantrel-cli; do
  ldd "$usr/bin/$program" | grep -q 'not found' && fail "$program misses a library"
  out=$(timeout 30 "$usr/bin/$program" --version) || fail "$program --version failed"
  [ "$out" = "$program $version" ] || fail "$program --version said '$out'"
done
grep -q "^Exec=vantrel %f$" "$usr/share/applications/org.vantrel.Vantrel.desktop" || fail "Exec line"
grep -q "version=\"$version\"" "$usr/share/metainfo/org.vantrel.Vantrel.metainfo.xml" || fail "AppStream release"
exit $status
