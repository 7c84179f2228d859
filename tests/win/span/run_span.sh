#!/usr/bin/env bash
# Spanning onto a floppy drive A: of a Wine prefix:  run_span.sh TEST.EXE BUILD_DIR
# A: is a symlink in the prefix's dosdevices, typed "floppy" in the registry
# before the session that runs the test starts (the mount manager reads the
# types at its start). Each disk is a host folder; when the test asks for
# disk n (a file "request" in the control folder), the link is re-pointed to
# folder dn and "ackn" answers. Afterwards the parts, named as Info-ZIP names
# a split archive, are joined by zip -s 0, tested and unpacked by unzip.
set -euo pipefail
exe=$(realpath "$1"); build=$(realpath "$2")
session="$(dirname "$0")/../../../scripts/wine-session.sh"
prefix=$build/wineprefix-span
work=$(mktemp -d)
swapper=
trap '[ -z "$swapper" ] || kill "$swapper" 2>/dev/null || true; rm -f "$prefix/dosdevices/a:"; rm -rf "$work"' EXIT
unset WINEPREFIX
mkdir -p "$work/disks/d1" "$work/ctl" "$work/src/TEXTE" "$work/set" "$work/out"
[ -f "$prefix/system.reg" ] || "$session" "$prefix" true
ln -sfn "$work/disks/d1" "$prefix/dosdevices/a:"
"$session" "$prefix" wine reg add 'HKLM\Software\Wine\Drives' /v a: /d floppy /f >/dev/null 2>&1
# Game-like files: one that does not compress, one that does, an empty one.
head -c 2500000 /dev/urandom >"$work/src/ZANTORIK.EXE"
seq -f "Zeile %g des Spiels" 20000 >"$work/src/TEXTE/THEMA.TXT"
: >"$work/src/LEER.DAT"
while [ ! -e "$work/ctl/end" ]; do  # the swapper
  if [ -f "$work/ctl/request" ]; then
    n=$(cat "$work/ctl/request"); rm -f "$work/ctl/request"
    mkdir -p "$work/disks/d$n" && ln -sfn "$work/disks/d$n" "$prefix/dosdevices/a:" && : >"$work/ctl/ack$n"
  fi
  sleep 0.05
done &
swapper=$!
rc=0
"$session" "$prefix" bash -c 'export ZK_SPAN_CTL=$(winepath -w "$1/ctl") ZK_SPAN_SRC=$(winepath -w "$1/src")
  wine "$2" </dev/null 2>&1' _ "$work" "$exe" || rc=$?
: >"$work/ctl/end"
[ $rc -eq 0 ] || exit $rc
# Wine keeps each label in the file .windows-label of the disk's root.
n=$(ls -d "$work"/disks/d* | wc -l)
[ "$n" -ge 2 ] || { echo "only $n disk(s)"; exit 1; }
for i in $(seq 1 "$n"); do
  label=$(cat "$work/disks/d$i/.windows-label" 2>/dev/null || echo "?")
  [ "$label" = "PKBACK# $(printf %03d "$i")" ] || { echo "disk $i has the label '$label'"; exit 1; }
  [ "$i" -eq "$n" ] && name=x.zip || name=x.z$(printf %02d "$i")
  cp "$work/disks/d$i/GAME.ZIP" "$work/set/$name"
done
(cd "$work/set" && zip -s 0 x.zip --out ../joined.zip >/dev/null)
unzip -t "$work/joined.zip" && unzip -q "$work/joined.zip" -d "$work/out"
for f in ZANTORIK.EXE TEXTE/THEMA.TXT LEER.DAT; do cmp "$work/src/$f" "$work/out/$f"; done
echo "spanned set of $n disks joined, tested and unpacked"
