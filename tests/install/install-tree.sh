#!/bin/sh
# The installed program: installs the build into a temporary DESTDIR, checks what was installed
# with the desktop's own validators, and runs the installed ludra from an emulator's folder.
#   install-tree.sh <build folder> <version> <renderer plug-in>
set -eu
build=$1
version=$2
plugin=$3

for tool in desktop-file-validate appstreamcli groff zip; do
  # 77: skipped (scripts/install-deps installs these)
  command -v "$tool" >/dev/null || { echo "install-tree: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
pid=""
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "install-tree: $*"; exit 1; }

DESTDIR="$work/dest" cmake --install "$build" --prefix /usr >"$work/install.log" ||
  { cat "$work/install.log"; fail "cmake --install failed"; }
prefix="$work/dest/usr"
bin="$prefix/bin"

entry="$prefix/share/applications/org.ludra.Ludra.desktop"
metainfo="$prefix/share/metainfo/org.ludra.Ludra.metainfo.xml"
desktop-file-validate "$entry"
# The entry hides itself when the program is gone (an install under ~/.local removed by hand);
# the launch feedback ends when the window maps; the desktop shows its texts in German too.
for line in 'TryExec=ludra' 'Exec=ludra' 'StartupNotify=true' 'GenericName\[de\]=.*' 'Comment\[de\]=.*' \
  'Keywords\[de\]=.*;' 'Name\[de\]=Ordner des Emulators .*'; do
  grep -qx "$line" "$entry" || { cat "$entry"; fail "no $line in the entry"; }
done
appstreamcli validate --pedantic --no-net "$metainfo" >"$work/as.log" ||
  { cat "$work/as.log"; fail "appstreamcli rejects the metainfo"; }
for line in '<summary xml:lang="de">' '<li xml:lang="de">' '<control>gamepad</control>' \
  '<binary>ludra-audit</binary>'; do
  grep -qF "$line" "$metainfo" || fail "no $line in the metainfo"
done
# Clean but for the home page (<url>), which the project does not have in public.
if command -v appstream-util >/dev/null; then
  appstream-util validate --nonet "$metainfo" >"$work/asu.log" 2>&1 ||
    ! grep -v -e 'FAILED:' -e '<url> is not present' "$work/asu.log" | grep -q '^•' ||
    { cat "$work/asu.log"; fail "appstream-util rejects the metainfo"; }
fi
# Installed under a prefix outside PATH (~/.local), the entry names the program by its path.
cmake --install "$build" --prefix "$work/home/.local" >"$work/install-home.log" ||
  { cat "$work/install-home.log"; fail "cmake --install --prefix ~/.local failed"; }
home_entry="$work/home/.local/share/applications/org.ludra.Ludra.desktop"
for key in Exec TryExec; do
  grep -qx "$key=$work/home/.local/bin/ludra" "$home_entry" || { cat "$home_entry"; fail "$key under ~/.local"; }
done
desktop-file-validate "$home_entry"
# Free software: the licence's text in the source, its name in the metainfo and the copyright file.
grep -q 'GNU GENERAL PUBLIC LICENSE' "$(dirname "$0")/../../LICENSE" || fail "no LICENSE"
grep -q '<project_license>GPL-3.0-or-later</project_license>' \
  "$prefix/share/metainfo/org.ludra.Ludra.metainfo.xml" || fail "the metainfo's licence"
grep -q '^License: GPL-3.0+$' "$prefix/share/doc/ludra/copyright" || fail "the copyright file's licence"
for page in ludra ludra-audit; do
  zcat "$prefix/share/man/man1/$page.1.gz" | groff -man -ww -z 2>"$work/groff.log"
  [ ! -s "$work/groff.log" ] || { cat "$work/groff.log"; fail "groff warns about $page.1"; }
done
for size in 16 24 32 48 64 128 256; do
  [ -s "$prefix/share/icons/hicolor/${size}x$size/apps/org.ludra.Ludra.png" ] || fail "no $size icon"
done
[ -s "$prefix/share/icons/hicolor/scalable/apps/org.ludra.Ludra.svg" ] || fail "no SVG icon"

# Neither program needs a display for these.
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin/ludra" --version)" = "ludra $version" ] ||
  fail "ludra --version"
[ "$("$bin/ludra-audit" --version)" = "ludra-audit $version" ] || fail "ludra-audit --version"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin/ludra" --help | grep -q -- '--run N' ||
  fail "ludra --help"

# An emulator's folder: a stand-in TAVI.EXE that notes where and how it was started, one renderer
# plug-in and a ROM archive of the first game.
emu="$work/emulator"
mkdir -p "$emu/Roms" "$work/config" "$work/home" "$work/other"
cat >"$emu/TAVI.EXE" <<'STANDIN'
#!/bin/sh
{ pwd; echo "$*"; } >>"$(dirname "$0")/started.log"
STANDIN
chmod +x "$emu/TAVI.EXE"
cp "$plugin" "$emu/gpu_test.tvi"
echo rom >"$work/sfe-04a" && (cd "$work" && zip -q "$emu/Roms/sfex.zip" sfe-04a)
before=$(ls -A "$bin")
export XDG_CONFIG_HOME="$work/config" HOME="$work/home"

# Starts the installed window offscreen in folder $1 and waits for the first audit's list file
# $2; the process's working directory must become the emulator's folder.
window() {
  (cd "$1" && QT_QPA_PLATFORM=offscreen exec "$bin/ludra") >"$work/window.log" 2>&1 &
  pid=$!
  i=0
  while [ $i -lt 100 ] && [ ! -s "$2" ]; do sleep 0.2; i=$((i + 1)); done
  [ -s "$2" ] || { cat "$work/window.log"; fail "no list file $2 from the window started in $1"; }
  [ "$(readlink "/proc/$pid/cwd")" = "$(cd "$emu" && pwd -P)" ] || fail "the window works in $(readlink "/proc/$pid/cwd")"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  pid=""
}

window "$emu" "$emu/ludra.ini"
[ "$(cat "$work/config/ludra/emulator-folder")" = "$(cd "$emu" && pwd -P)/" ] ||
  fail "the emulator's folder is not remembered"

# A folder without tavi.exe is refused before anything is written there (checked at the end).
code=0
(cd "$work/other" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin/ludra" \
  --emulator-dir "$work/other") 2>"$work/refused.log" || code=$?
[ "$code" = 2 ] && grep -q 'does not hold tavi.exe' "$work/refused.log" ||
  { cat "$work/refused.log"; fail "--emulator-dir without tavi.exe: exit $code"; }

# A game started from the emulator's folder: renderer.cfg there, the plug-in offered to it.
(cd "$emu" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$bin/ludra" --run 1) ||
  fail "ludra --run 1 failed"
i=0
while [ $i -lt 50 ] && [ ! -s "$emu/started.log" ]; do sleep 0.1; i=$((i + 1)); done
[ -s "$emu/renderer.cfg" ] || fail "no renderer.cfg in the emulator's folder"
grep -q -- "--renderer=$(cd "$emu" && pwd -P)/gpu_test.tvi " "$emu/started.log" ||
  { cat "$emu/started.log"; fail "the renderer plug-in was not offered"; }

# Another folder: the remembered emulator's folder is used, by the window and by --run.
rm -f "$emu/ludra.ini" "$emu/started.log"
window "$work/other" "$emu/ludra.ini"
(cd "$work/other" && env -u DISPLAY "$bin/ludra" --run 2) || fail "ludra --run 2 from another folder"
i=0
while [ $i -lt 50 ] && [ ! -s "$emu/started.log" ]; do sleep 0.1; i=$((i + 1)); done
[ "$(head -n 1 "$emu/started.log")" = "$(cd "$emu" && pwd -P)" ] ||
  fail "the emulator was not started in its folder"
"$bin/ludra-audit" >"$work/audit.log" || fail "ludra-audit in the remembered folder"
grep -q "available  Street Fighter EX (ASIA)" "$work/audit.log" || { head -3 "$work/audit.log"; fail "ludra-audit found no game"; }

# A desktop entry for a game: it names the emulator's folder, and the desktop accepts it.
entry=$(cd "$work/other" && env -u DISPLAY XDG_DATA_HOME="$work/data" "$bin/ludra" --desktop-entry 1) ||
  fail "ludra --desktop-entry 1"
desktop-file-validate "$entry"
grep -q -- "--emulator-dir \"$(cd "$emu" && pwd -P)/\" --run 1" "$entry" || { cat "$entry"; fail "Exec"; }

[ "$(ls -A "$bin")" = "$before" ] || fail "files written beside the installed program: $(ls -A "$bin")"
[ -z "$(ls -A "$work/other")" ] || fail "files written in the other folder"
echo "install-tree: installed, validated and run from $emu"
