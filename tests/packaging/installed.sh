#!/usr/bin/env bash
# installed.sh BUILD APP_ID validate|start|package: the client installed into a temporary DESTDIR
# passes the validators, draws a frame offscreen from its menu entry, or packs into a Debian
# package with the development CA's name and warning, no build folder named and lintian clean.
set -euo pipefail
build=$1 id=$2 mode=$3
root=$(mktemp -d)
client=""
trap '[ -z "$client" ] || kill "$client" 2>/dev/null; rm -rf "$root"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
DESTDIR="$root/tree" cmake --install "$build" --prefix /usr >/dev/null
entry="$root/tree/usr/share/applications/$id.desktop"

case $mode in
validate)
  desktop-file-validate "$entry"
  # validate-tree also checks that the menu entry the metainfo launches is installed.
  appstreamcli validate-tree --no-net "$root/tree"
  ;;
start)
  bin=$(ls "$root/tree/usr/bin")
  [ "$bin" = velto ] || fail "programs installed besides the client: $bin"
  icon=$(sed -n 's/^Icon=//p' "$entry")
  [ -f "$root/tree/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no icon named $icon"
  [ -n "$(find "$root/tree/usr/lib" -path '*/velto/libvelto_media.so')" ] ||
    fail "no camera and microphone module"
  mkdir "$root/home"
  # Qt's render loop reports each frame it renders; the program itself logs nothing.
  (export PATH="$root/tree/usr/bin:$PATH" HOME="$root/home" XDG_DATA_HOME="$root/home/data" \
          QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES=qt.scenegraph.time.renderloop=true
   exec $(sed -n 's/^Exec=//p' "$entry")) 2>"$root/log" &
  client=$!
  for _ in $(seq 600); do
    grep -q "Frame rendered" "$root/log" && { echo "PASS: the installed client drew a frame"; exit 0; }
    kill -0 "$client" 2>/dev/null || fail "the client ended before a frame: $(cat "$root/log")"
    sleep 0.1
  done
  fail "no frame within 60 s: $(cat "$root/log")"
  ;;
package)
  (cd "$build" && cpack -B "$root/deb" >/dev/null)
  deb=$(ls "$root"/deb/*.deb)
  [ "$(dpkg-deb -f "$deb" Package)" = velto-dev-ca ] || fail "$deb is not named velto-dev-ca"
  [[ $(dpkg-deb -f "$deb" Description) == *WARNING* ]] || fail "no warning in the description"
  # Found by the library scan, and loaded at run time where no scan sees it.
  for dep in libqt6gui6 libqt6multimedia6 qml6-module-qtquick-controls; do
    [[ $(dpkg-deb -f "$deb" Depends) == *"$dep"* ]] || fail "$deb does not depend on $dep"
  done
  dpkg-deb -x "$deb" "$root/unpacked"
  ! grep -rlaF "$(realpath "$build")" "$root/unpacked" || fail "the build folder is named in the files above"
  if command -v lintian >/dev/null; then
    lintian --fail-on error,warning "$deb" || fail "lintian: errors or warnings above"
  else echo "lintian is not installed (scripts/install-deps installs it): not run"; fi
  echo "PASS: $(basename "$deb")"
  ;;
esac
