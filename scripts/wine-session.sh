#!/usr/bin/env bash
# Runs a command inside one Wine session:
#   wine-session.sh PREFIX COMMAND [ARGS...]
# Starts Xvfb when there is no display, prepares the prefix, keeps one
# wineserver alive for the whole command and stops it (and Xvfb) afterwards.
set -euo pipefail
prefix=$(realpath -m "$1"); shift
export WINEPREFIX="$prefix" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG="${WINEDEBUG:--all}"

xpid=; wspid=
cleanup() {
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  [ -n "$wspid" ] && { wait "$wspid" 2>/dev/null || true; }
  # An "if", not "&&": under set -e a false test here would end the script
  # with 1 when no Xvfb was started (a display was already there).
  if [ -n "$xpid" ]; then kill "$xpid" 2>/dev/null || true; wait "$xpid" 2>/dev/null || true; fi
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xpid=$!
  export DISPLAY=":$n"
  # Sessions started inside this one (tests with prefixes of their own) get
  # the desktop too.
  export ZK_WINE_DESKTOP=1
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
fi

mkdir -p "$prefix"
wineserver -p -f >/dev/null 2>&1 &
wspid=$!
if [ ! -f "$prefix/system.reg" ]; then
  wineboot -i >/dev/null 2>&1
  if [ -n "${ZK_WINE_DESKTOP:-}" ]; then
    # No window manager on Xvfb: let Wine draw the frames in a desktop of its own.
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    # The desktop comes with the next session: restart the server.
    wineserver -k 2>/dev/null || true
    wait "$wspid" 2>/dev/null || true
    wineserver -p -f >/dev/null 2>&1 &
    wspid=$!
  fi
  if ! kill -0 "$wspid" 2>/dev/null; then wineserver -p -f >/dev/null 2>&1 & wspid=$!; fi
fi
# The Windows look: Wine's own fonts (Marlett draws the caption buttons)
# where this Wine loads fonts from, classic colours, stand-ins for Arial.
for font in /usr/share/wine/fonts/*; do
  [ -e "$font" ] && [ -d "$prefix/drive_c/windows/Fonts" ] || continue
  [ -e "$prefix/drive_c/windows/Fonts/${font##*/}" ] || cp "$font" "$prefix/drive_c/windows/Fonts/"
done
if ! grep -q '"ButtonFace"="192 192 192"' "$prefix/user.reg" 2>/dev/null; then
  wine regedit /S "$(winepath -w "$(dirname "$(realpath "$0")")/wine-look.reg" 2>/dev/null)" >/dev/null 2>&1 || true
  # The desktop reads its colours when it starts: restart the server.
  wineserver -k 2>/dev/null || true
  wait "$wspid" 2>/dev/null || true
  wineserver -p -f >/dev/null 2>&1 &
  wspid=$!
fi
# Start Wine's services now, away from the command's output pipes.
wine cmd /c exit >/dev/null 2>&1 </dev/null || true
"$@"
