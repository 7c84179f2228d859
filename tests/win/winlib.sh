# Shared helpers of the black-box scripts that drive the real ZKSTART.EXE
# inside a Wine session (scripts/wine-session.sh). Sourced after setting
# build (the build folder); shots go to $build/screens.
: "${WINEPREFIX:?run inside scripts/wine-session.sh}"
shots="$build/screens"
mkdir -p "$shots"
launcher='ZANTORIK Ruvalin V2.1'
setup='ZANTORIK Setup V2.03'
export LC_ALL=C.UTF-8
# wintool without the carriage returns of the Windows console.
wt() { local rc=0; wine "$build/tools/wintool.exe" "$@" </dev/null 2>/dev/null | tr -d '\r' || rc=$?; return $rc; }
fail() { echo "FAIL: $*"; import -window root "$shots/failure-$(basename "$0" .sh).png" 2>/dev/null || true; exit 1; }
pid=
trap '[ -n "$pid" ] && kill $pid 2>/dev/null || true' EXIT

# The game folder C:\SPIELE\ZANTORIK (or $game, $gamewin) with the program
# and the stub game as its .pif, and stored options (NAME=VALUE ...; xFast=0
# at least), so the splash hands straight over to the launcher.
game="$WINEPREFIX/drive_c/SPIELE/ZANTORIK" gamewin='C:\SPIELE\ZANTORIK'
prepare_game() {
  mkdir -p "$game"
  cp "$build/bin/ZKSTART.EXE" "$build/bin/ZKZIP.DLL" "$game/"
  cp "$build/tools/zantorik.exe" "$game/zantorik.pif"
  wine reg delete 'HKCU\Software\Orvandel' /f >/dev/null 2>&1 || true
  local kv
  for kv in xFast=0 "$@"; do
    wine reg add 'HKCU\Software\Orvandel\Zantorik' /v "${kv%%=*}" /d "${kv#*=}" /f >/dev/null 2>&1
  done
}
start_program() {
  (cd "$game" && exec wine "$gamewin\\ZKSTART.EXE" >/dev/null 2>&1 </dev/null) &
  pid=$!
  wt wait "$launcher" 40 || fail "the launcher did not open"
  await_focus "$launcher" 'Button: >> ZANTORIK starten <<' 20
}
ended() {
  for _ in $(seq 100); do kill -0 $pid 2>/dev/null || { pid=; return 0; }; sleep 0.2; done
  return 1
}
# Whether WINDOW has a child that reads LINE ("Class: text") in its dump.
shows() { grep -qxF -- "$2" <<<"$(wt dump "$1")"; }
# Prints a window's dump once it shows TEXT; fails after SECONDS (30).
await() {
  local dump= end=$((SECONDS + ${3:-30}))
  until dump=$(wt dump "$1") && grep -qF -- "$2" <<<"$dump"; do
    [ $SECONDS -lt $end ] || fail "no window '$1' with '$2' (last seen: $dump)"
    sleep 0.5
  done
  printf '%s\n' "$dump"
}
# Runs COMMAND... until it succeeds; false once SECONDS have passed.
within() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do [ $SECONDS -lt $end ] || return 1; sleep 0.1; done
}
# The control with the keyboard focus, as "Class: text".
focus() { wt focus "$1"; }
focus_is() { [ "$(focus "$1")" = "$2" ]; }
# Waits until the focus in WINDOW is on CONTROL ("Class: text"); fails after SECONDS (10).
await_focus() { within "${3:-10}" focus_is "$1" "$2" || fail "focus in $1: $(focus "$1"), want $2"; }
# A click at X Y of a window's client area.
click_client() {
  local r
  r=($(wt client "$1")) || fail "no window $1"
  xdotool mousemove $((r[0] + $2)) $((r[1] + $3)) click 1
}
# The lines with ink in a screen rectangle (LEFT TOP WIDTH HEIGHT) of a
# screenshot: runs of rows that hold dark pixels.
ink_lines() {
  convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -colorspace Gray -threshold 50% txt:- |
    awk -F'[,:]' -v h="$5" 'NR > 1 && /#000000/ { ink[$2] = 1 }
      END { for (y = 0; y < h; y++) { if (ink[y] && !prev) n++; prev = ink[y] } print n + 0 }'
}
# A field's text replaced as a player does it: a click into the field that
# reads OLD in WINDOW, End, Shift+Home, typing NEW.
fill_field() {
  local at
  at=$(wt where "$1" "$2") || fail "no field that reads $2: $(wt dump "$1")"
  xdotool mousemove $at click 1
  await_focus "$1" "Edit: $2"
  xdotool key End shift+Home
  xdotool type --delay 60 "$3"
  within 10 shows "$1" "Edit: $3" || fail "not typed: $3: $(wt dump "$1")"
}
# Fails unless the text $1 holds $2; $3 says what was looked at.
has() { grep -qF -- "$2" <<<"$1" || fail "$3: [$2] not in [$1]"; }
# A failing zip run of the setup window into TARGET (the target field reads
# $shown before): the dialogs before the failure question read MESSAGE...
# ("title: text"), each on one line, and a zantorik.zip there stays as it
# was (none that was not; with ARCHIVE=whole one may, but whole; with
# ARCHIVE=any another program writes it); ANY: neither is looked at. The
# question is answered "Ja": the window stays.
dialog_text() { local d; d=$(wt dump "=$1") && sed '1d; /^Static: $/d; /^Button: /d; s/^Static: //' <<<"$d" | paste -sd' '; }
failing_run() {
  local target=$1 dir seen=() title text end=$((SECONDS + 120)) before; shift
  dir=$(winepath -u "$target" 2>/dev/null) && before=$(sha1sum 2>/dev/null <"$dir/zantorik.zip" || true)
  fill_field "$setup" "$shown" "$target" && shown=$target
  wt press "$setup" 'Start'
  until [[ "${seen[*]: -1}" == Information:* ]]; do
    [ $SECONDS -lt $end ] || fail "$target: no failure question; seen: ${seen[*]}"
    for title in 'Ruvalin ZANTORIK-Starter' Fehler Warnung Information; do
      text=$(dialog_text "$title") || continue
      seen+=("$title: $text")
      [ "$title" = Information ] && break
      until import -window root "$shots/message.png" && [ "$(ink_lines "$shots/message.png" $(wt rect "=$title" "$text"))" = 1 ]; do
        [ $SECONDS -lt $end ] || fail "$target: not on one line: $text"
      done
      wt press "=$title" OK || wt press "=$title" '&Abbrechen'
      while [ "$(dialog_text "$title" || true)" = "$text" ]; do [ $SECONDS -lt $end ] || fail "$target: the message stayed: $text"; done
    done
  done
  [ "$*" != ANY ] || { set -- "${seen[@]:0:${#seen[@]}-1}"; before=ANY; }
  local want=("$@" 'Information: Installation leider fehlgeschlagen... Weitere Kopie erstellen?')
  [ "${seen[*]}" = "${want[*]}" ] || fail "$target: dialogs $(printf '[%s] ' "${seen[@]}")wanted $(printf '[%s] ' "${want[@]}")"
  grep -qx 'Static: So ein Mist...' <<<"$(wt dump "$setup")" || fail "$target: status: $(wt dump "$setup")"
  if [ "${ARCHIVE:-}" = any ]; then
    :
  elif [ "${ARCHIVE:-}" = whole ]; then
    unzip -tq "$dir/zantorik.zip" >/dev/null || fail "$target: the archive is broken: $(unzip -t "$dir/zantorik.zip" 2>&1 | tail -3)"
  elif [ "$before" != ANY ] && [ "$(sha1sum 2>/dev/null <"$dir/zantorik.zip" || true)" != "$before" ]; then
    fail "$target: the archive changed"
  fi
  wt press 'Information' '&Ja'
  wt gone 'Information' 10 || fail "$target: the question stayed"
}
