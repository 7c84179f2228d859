#!/usr/bin/env bash
# "Komprimieren" in the real ZKSTART.EXE where no archive can be written: a
# file as target, a read-only tmpfs, a tmpfs drive Y: that fills up during
# the run. Each run ends with "So ein Mist..." and "Installation leider
# fehlgeschlagen..."; then a good target still gets its archive.
#   setup_zipfail.sh BUILD_DIR   (as root; own prefix BUILD/wineprefix-zipfail)
set -euo pipefail
build=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
prefix=$build/wineprefix-zipfail
if [ -z "${ZK_INNER:-}" ]; then
  [ "$(id -u)" = 0 ] || { echo "needs root for the tmpfs mounts"; exit 1; }
  work=$(mktemp -d "$build/zipfail.XXXXXX")
  mkdir -p "$work/x/nurlesen" "$work/y"
  trap 'rm -f "$prefix/dosdevices/"[xy]:; umount "$work/x/nurlesen" "$work/y" 2>/dev/null || true; rm -rf "$work"' EXIT
  unset WINEPREFIX
  [ -f "$prefix/system.reg" ] || "$here/../../../scripts/wine-session.sh" "$prefix" true
  mount -t tmpfs -o ro,size=64k zkro "$work/x/nurlesen"
  printf 'kein Ordner\r\n' > "$work/x/datei.txt"
  ln -sfn "$work/x" "$prefix/dosdevices/x:"
  ln -sfn "$work/y" "$prefix/dosdevices/y:"
  ZK_INNER=1 ZK_WORK="$work" "$here/../../../scripts/wine-session.sh" "$prefix" bash "$0" "$build"
  exit $?
fi

. "$here/../winlib.sh"
# The game lies apart from the program, so only its own files are listed.
data="$WINEPREFIX/drive_c/DATEN/ZANTORIK"
rm -rf "$data"
total=$(python3 "$here/make_game.py" "$data" --short-of-a-page)
mount -t tmpfs -o size=$((total + 256)) zkvoll "$ZK_WORK/y"
prepare_game
start_program
wt press "$launcher" 'Zantorik kopieren'
wt wait "$setup" 10 || fail "the setup window did not open"
sleep 1
fill_field "$setup" 'c:\spiele\zantorik\' 'c:\daten\zantorik'
wt press "$setup" 'Komprimieren'
shown='c:\'
for target in 'x:\datei.txt' 'x:\nurlesen' 'y:\' 'x:\gut'; do
  fill_field "$setup" "$shown" "$target"
  shown=$target
  wt press "$setup" 'Start'
  wt wait 'Information' 120 || fail "$target: no question after the zip run"
  [ "$target" = 'x:\gut' ] && break
  grep -q 'Installation leider fehlgeschlagen...' <<<"$(wt dump 'Information')" || fail "$target: $(wt dump 'Information')"
  grep -qx 'Static: So ein Mist...' <<<"$(wt dump "$setup")" || fail "$target: status: $(wt dump "$setup")"
  import -window root "$shots/zipfail-$(tr -dc 'a-z' <<<"$target").png"
  wt press 'Information' '&Ja'  # another try
  wt gone 'Information' 10 || fail "$target: the question stayed"
  sleep 0.5
done
[ ! -e "$ZK_WORK/x/datei.txt/zantorik.zip" ] && [ ! -e "$ZK_WORK/x/nurlesen/zantorik.zip" ] || fail "an archive where none can be"
grep -q 'Zip erfolgreich erstellt!' <<<"$(wt dump 'Information')" || fail "good target: $(wt dump 'Information')"
archive="$ZK_WORK/x/gut/zantorik.zip"
unzip -tq "$archive" >/dev/null || fail "unzip -t: $(unzip -t "$archive" 2>&1 | tail -5)"
[ "$(unzip -Z1 "$archive" | sort | tr '\n' ' ')" = 'TEXTE/THEMA.{1} TEXTE/THEMA.{2} ZANTORIK.EXE ZANTORIK.HLP ZANTORIK.PIF ' ] ||
  fail "archive entries: $(unzip -Z1 "$archive")"
wt press 'Information' '&Ja'
wt wait "$launcher" 10 || fail "the launcher did not come back"
wt close "$launcher"
ended || fail "the program did not end"
echo "setup zip-failure test passed"
