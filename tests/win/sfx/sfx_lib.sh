# Shared by the self-extractor scripts under Wine; sourced with $build set.
fail() { echo "FAIL: $*"; exit 1; }
wt() { wine "$build/tools/wintool.exe" "$@" </dev/null 2>/dev/null; }
has() { grep -qF -- "$2" <<<"$1" || fail "$3: [$2] not in [$1]"; }
same() { diff -r "$1" "$2" >/dev/null || { diff -r "$1" "$2" | head -20; fail "$3"; }; }

# Prints the window's dump once it shows the text; fails after 30 s.
await() {
  local dump
  for _ in $(seq 60); do
    dump=$(wt dump "$1" | tr -d '\r') || true
    if grep -qF -- "$2" <<<"$dump"; then printf '%s\n' "$dump"; return 0; fi
    sleep 0.5
  done
  fail "no window '$1' with '$2' (last seen: $dump)"
}

# The payload in FOLDER: text, random bytes, an empty file, an empty folder,
# nested folders, an umlaut in a name, a large compressible file, a program.
# Sets files to the number of files.
make_payload() {
  local src=$1
  mkdir -p "$src/daten/tief/unten" "$src/leer"
  printf 'Hallo Welt\r\n' > "$src/liesmich.txt"
  head -c 300000 /dev/urandom > "$src/daten/zufall.bin"
  : > "$src/daten/leer.txt"
  yes 'ZANTORIK spielen, ZANTORIK gewinnen' | head -c 3000000 > "$src/daten/tief/unten/gross.txt" || true
  printf 'Umlaute im Namen' > "$src/daten/Größe.txt"
  cp "$build/tools/zantorik.exe" "$src/zantorik.exe"
  files=$(cd "$src" && find . -type f | wc -l)
}
