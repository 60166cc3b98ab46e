#!/usr/bin/env bash
# Installs the build into a temporary root (DESTDIR, prefix /usr) and checks
# the tree a Linux desktop reads: the client, its data, the desktop entry and
# the icons; then starts the installed client against brelk-sim and sees it
# use its installed catalog (it reads the Brelk image from there and starts
# the upgrade of a Brelk of another version).
#
#   check-install.sh <build folder> <brelk-sim>
set -euo pipefail
build=$1
sim=$2

root=$(mktemp -d)
client_pid=
sim_pid=
cleanup() {
  for pid in $client_pid $sim_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$root"
}
trap cleanup EXIT

fail() {
  echo "check-install: $*" >&2
  exit 1
}

DESTDIR="$root/stage" cmake --install "$build" --prefix /usr >"$root/install.log" ||
  { cat "$root/install.log" >&2; fail "cmake --install failed"; }
usr="$root/stage/usr"

[ -x "$usr/bin/brelk" ] || fail "no executable bin/brelk"
for file in catalog.data cars.dat sensors.dat firmware.dat \
  F7V4Bin.bin F6V4Bin.bin N8V4Bin.bin F7Bin.bin F6Bin.bin Active.tab express.tab \
  Language/LangConfig.xml Language/English.xml Language/Deutsch.xml \
  pic/car/undefined.png pic/car/undefined_s.png pic/car/VornixLogo.bmp Setup.ini; do
  [ -s "$usr/share/brelk/$file" ] || fail "no data file share/brelk/$file"
done
for program in brelk brelk-sim; do
  [ ! -e "$usr/share/brelk/$program" ] || fail "a program among the data: share/brelk/$program"
done
entry="$usr/share/applications/brelk.desktop"
[ -s "$entry" ] || fail "no desktop entry share/applications/brelk.desktop"
grep -qx 'Exec=brelk' "$entry" || fail "the desktop entry does not start brelk"
grep -qx 'Icon=brelk' "$entry" || fail "the desktop entry does not name the icon brelk"

# Each icon is a PNG of the size its folder says (width and height are the
# big-endian words at bytes 16 and 20).
icons=0
for icon in "$usr"/share/icons/hicolor/*/apps/brelk.png; do
  [ -s "$icon" ] || continue
  size=$(basename "$(dirname "$(dirname "$icon")")")
  [ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$icon is no PNG"
  width=$(od -An -tu4 --endian=big -j16 -N4 "$icon" | tr -d ' ')
  height=$(od -An -tu4 --endian=big -j20 -N4 "$icon" | tr -d ' ')
  [ "${width}x${height}" = "$size" ] || fail "$icon is ${width}x${height}, not $size"
  icons=$((icons + 1))
done
[ "$icons" -ge 1 ] || fail "no icon in share/icons/hicolor"
[ -s "$usr/share/icons/hicolor/48x48/apps/brelk.png" ] || fail "no 48x48 icon, the size every theme has"

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$entry" || fail "desktop-file-validate refuses the entry"
else
  echo "check-install: desktop-file-validate is not installed (desktop-file-utils): the entry's syntax is not checked"
fi

# The installed client on a simulated Brelk of another version: before it
# sends the Brelk into its loader (command CF) it has read the image from its
# catalog, which only the installed data folder holds.
mkdir -p "$root/ports" "$root/data" "$root/runtime"
chmod 700 "$root/runtime"
"$sim" --ports "$root/ports" --com 9 --version V6.10 --record "$root/sim.record" >"$root/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -L "$root/ports/com9" ] && break; sleep 0.1; done
[ -L "$root/ports/com9" ] || fail "brelk-sim did not start: $(cat "$root/sim.out")"
(
  cd "$root"
  unset BRELK_PROGRAM_DIR BRELK_TEXT_DIR
  exec env QT_QPA_PLATFORM=offscreen BRELK_DATA_DIR="$root/data" BRELK_PORTS_DIR="$root/ports" \
    XDG_RUNTIME_DIR="$root/runtime" BRELK_TRACE=1 "$usr/bin/brelk"
) >"$root/client.out" 2>&1 &
client_pid=$!
for _ in $(seq 300); do
  grep -qx CF "$root/sim.record" 2>/dev/null && break
  kill -0 "$client_pid" 2>/dev/null || break
  sleep 0.1
done
grep -qx CF "$root/sim.record" 2>/dev/null ||
  fail "the installed client did not start the upgrade from its catalog; its output: $(tail -20 "$root/client.out")"
echo "check-install: installed tree and the installed client's data are in order"
