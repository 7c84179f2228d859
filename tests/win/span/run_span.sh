#!/usr/bin/env bash
# Spanning onto a floppy drive A: of a Wine prefix:
#   run_span.sh TEST.EXE BUILD_DIR
# A: is a symlink in the prefix's dosdevices, typed "floppy" in the registry
# before the session that runs the test starts (the mount manager reads the
# types at its start). Each disk is a host folder; when the test asks for
# disk n (a file "request" in the control folder), the link is re-pointed to
# folder dn and "ackn" answers. Afterwards the parts, named as Info-ZIP names
# a split archive, are joined by zip -s 0 and tested by unzip.
set -euo pipefail
exe=$(realpath "$1"); build=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
session="$here/../../../scripts/wine-session.sh"
prefix=$build/wineprefix-span
work=$(mktemp -d)
log=$work/test.log
swapper=
cleanup() {
  [ -n "$swapper" ] && { kill "$swapper" 2>/dev/null || true; wait "$swapper" 2>/dev/null || true; }
  rm -f "$prefix/dosdevices/a:"
  rm -rf "$work"
}
trap cleanup EXIT
unset WINEPREFIX

mkdir -p "$work/disks/d1" "$work/ctl" "$work/src/TEXTE"
[ -f "$prefix/system.reg" ] || "$session" "$prefix" true
ln -sfn "$work/disks/d1" "$prefix/dosdevices/a:"
"$session" "$prefix" wine reg add 'HKLM\Software\Wine\Drives' /v a: /d floppy /f >/dev/null 2>&1

# Game-like files: one that does not compress, one that does, an empty one.
head -c 2500000 /dev/urandom >"$work/src/ZANTORIK.EXE"
for i in $(seq 1 20000); do echo "Zeile $i des Spiels"; done >"$work/src/TEXTE/THEMA.TXT"
: >"$work/src/LEER.DAT"

# The swapper: re-points A: when the test asks for a disk.
(
  while [ ! -e "$work/ctl/end" ]; do
    if [ -f "$work/ctl/request" ]; then
      n=$(cat "$work/ctl/request"); rm -f "$work/ctl/request"
      mkdir -p "$work/disks/d$n"
      ln -sfn "$work/disks/d$n" "$prefix/dosdevices/a:"
      : >"$work/ctl/ack$n"
    fi
    sleep 0.05
  done
) &
swapper=$!

rc=0
"$session" "$prefix" bash -c '
  export ZK_SPAN_CTL=$(winepath -w "$1/ctl") ZK_SPAN_SRC=$(winepath -w "$1/src")
  wine "$2" >"$3" 2>&1 </dev/null' _ "$work" "$exe" "$log" || rc=$?
: >"$work/ctl/end"
cat "$log"
for d in "$work"/disks/d*; do echo "$(basename "$d"):"; ls -la "$d" | tail -n +2; done
[ $rc -eq 0 ] || exit $rc

# What Wine keeps of the labels: the file .windows-label in each disk's root.
n=$(ls -d "$work"/disks/d* | wc -l)
mkdir -p "$work/set"
for i in $(seq 1 "$n"); do
  label=$(cat "$work/disks/d$i/.windows-label" 2>/dev/null || echo "?")
  echo "disk $i: $(stat -c %s "$work/disks/d$i/GAME.ZIP") bytes, label '$label'"
  [ "$label" = "PKBACK# $(printf %03d "$i")" ] || { echo "disk $i has the wrong label"; exit 1; }
  if [ "$i" -eq "$n" ]; then cp "$work/disks/d$i/GAME.ZIP" "$work/set/x.zip"
  else cp "$work/disks/d$i/GAME.ZIP" "$work/set/x.z$(printf %02d "$i")"; fi
done
[ "$n" -ge 2 ] || { echo "only $n disk(s)"; exit 1; }
(cd "$work/set" && zip -s 0 x.zip --out ../joined.zip >/dev/null)
unzip -t "$work/joined.zip"
mkdir -p "$work/out" && unzip -q "$work/joined.zip" -d "$work/out"
for f in ZANTORIK.EXE TEXTE/THEMA.TXT LEER.DAT; do
  cmp "$work/src/$f" "$work/out/$f" || { echo "$f differs"; exit 1; }
done
echo "spanned set of $n disks joined, tested and unpacked"
