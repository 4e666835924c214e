#!/usr/bin/env bash
# Installs the build into a staging folder as `cmake --install` does for a
# user, checks the desktop entry and the AppStream metainfo with the
# desktop's own validators, starts the installed window until its main
# window shows on a virtual display, and asks the installed command for its
# version.   staged.sh BUILD_DIR
set -euo pipefail
BUILD=$1
STAGE=$(mktemp -d /tmp/zelmora-stage.XXXXXX)
trap 'kill "${XVFB_PID:-}" 2>/dev/null || true; rm -rf "$STAGE"' EXIT

DESTDIR=$STAGE cmake --install "$BUILD" --prefix /usr >/dev/null
SHARE=$STAGE/usr/share
BIN=$STAGE/usr/bin
for f in "$BIN/zelmora" "$BIN/zelmora-export" "$SHARE/applications/org.example.zelmora.desktop" \
    "$SHARE/metainfo/org.example.zelmora.metainfo.xml" \
    "$SHARE/icons/hicolor/48x48/apps/zelmora.png" "$SHARE/icons/hicolor/256x256/apps/zelmora.png"; do
  [ -s "$f" ] || { echo "not installed: ${f#$STAGE}"; exit 1; }
done

# The manual the help menu opens, with every picture it shows.
MANUAL=$SHARE/doc/zelmora/manual
[ -s "$MANUAL/index.html" ] || { echo "not installed: the manual"; exit 1; }
for img in $(grep -o 'src="images/[^"]*"' "$MANUAL/index.html" | sed 's/src="//; s/"$//'); do
  [ -s "$MANUAL/$img" ] || { echo "the manual shows $img, which is not installed"; exit 1; }
done

desktop-file-validate "$SHARE/applications/org.example.zelmora.desktop"
grep -qx 'Name=Zelmora' "$SHARE/applications/org.example.zelmora.desktop"
grep -q '^Name\[ja\]=' "$SHARE/applications/org.example.zelmora.desktop"
grep -q '^Comment\[ja\]=' "$SHARE/applications/org.example.zelmora.desktop"
grep -qx 'Categories=Development;Database;' "$SHARE/applications/org.example.zelmora.desktop"
appstreamcli validate --no-net "$SHARE/metainfo/org.example.zelmora.metainfo.xml"

# The version the metainfo announces is the one the executable carries.
version=$("$BIN/zelmora-export" --version)
[ "$version" = "1.0.0.42" ] || { echo "zelmora-export --version said '$version'"; exit 1; }
grep -q "<release version=\"$version\"" "$SHARE/metainfo/org.example.zelmora.metainfo.xml" ||
  { echo "metainfo does not announce $version"; exit 1; }
help=$("$BIN/zelmora-export" --help)  # whole, so that grep's early exit cannot cut the writer off
grep -q '^Usage: zelmora-export' <<<"$help"

# The installed window shows its main window (title "Zelmora") on a display.
DISPLAY_NO=$((90 + RANDOM % 100))
Xvfb ":$DISPLAY_NO" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
export DISPLAY=":$DISPLAY_NO"
for _ in $(seq 50); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done
HOME=$STAGE XDG_CONFIG_HOME=$STAGE/config QT_QPA_PLATFORM=xcb "$BIN/zelmora" &
APP_PID=$!
shown=0
for _ in $(seq 100); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"Zelmora"'; then shown=1; break; fi
  kill -0 "$APP_PID" 2>/dev/null || break
  sleep 0.1
done
kill "$APP_PID" 2>/dev/null || true
wait "$APP_PID" 2>/dev/null || true
[ "$shown" = 1 ] || { echo "the installed zelmora showed no main window"; exit 1; }
echo "installed: $(cd "$STAGE" && find usr -type f | sort | tr '\n' ' ')"
