#!/usr/bin/env bash
# Prepares the demo game folder C:\SPIELE\ZANTORIK in its own Wine prefix
# and starts ZKSTART.EXE from there. Without a display (or with ZK_HEADLESS
# set) it runs under Xvfb, saves a screenshot after a few seconds, keeps the
# launcher's picture as docs/launcher.png (the README shows it) and ends the
# program.
set -euo pipefail
build=$(realpath "$1")
prefix="$build/demo-prefix"
here=$(cd "$(dirname "$0")" && pwd)
docs=$(cd "$here/../docs" && pwd)

prepare() {
  local game="$WINEPREFIX/drive_c/SPIELE/ZANTORIK"
  mkdir -p "$game"
  cp "$build/bin/ZKSTART.EXE" "$game/ZKSTART.EXE"
  # The self-extractor stub, where the archiver looks for it.
  cp "$build/bin/ZKSFX.BIN" "$game/ZKSFX.BIN"
  cp "$build/bin/ZKZIP.DLL" "$game/ZKZIP.DLL"
  cp "$build/tools/zantorik.exe" "$game/zantorik.exe"
  # Under Wine a .pif that holds a Windows program runs that program.
  cp "$build/tools/zantorik.exe" "$game/zantorik.pif"
}

if [ -n "${DISPLAY:-}" ] && [ -z "${ZK_HEADLESS:-}" ]; then
  "$here/wine-session.sh" "$prefix" bash -c "$(declare -f prepare); build='$build'; prepare; cd \"\$WINEPREFIX/drive_c/SPIELE/ZANTORIK\" && wine 'C:\\SPIELE\\ZANTORIK\\ZKSTART.EXE'"
else
  unset DISPLAY
  "$here/wine-session.sh" "$prefix" bash -c "$(declare -f prepare); build='$build'; prepare
    cd \"\$WINEPREFIX/drive_c/SPIELE/ZANTORIK\"
    wine 'C:\\SPIELE\\ZANTORIK\\ZKSTART.EXE' & pid=\$!
    wt() { LC_ALL=C.UTF-8 wine '$build/tools/wintool.exe' \"\$@\" </dev/null 2>/dev/null; }
    # A first start greets the player after the splash: OK, as most would answer.
    wt wait 'Bestätigung' 10 >/dev/null && xdotool key Return
    wt wait 'ZANTORIK Ruvalin V2.1' 20 >/dev/null || true
    sleep 2
    import -window root '$build/screenshot.png'
    echo 'Screenshot: $build/screenshot.png'
    r=(\$(wt rect 'ZANTORIK Ruvalin V2.1' | tr -d '\\r'))
    if [ \${#r[@]} -eq 4 ]; then
      convert '$build/screenshot.png' -crop \"\${r[2]}x\${r[3]}+\${r[0]}+\${r[1]}\" +repage '$docs/launcher.png'
      echo 'Launcher: $docs/launcher.png'
    fi
    kill \$pid 2>/dev/null || true"
fi
