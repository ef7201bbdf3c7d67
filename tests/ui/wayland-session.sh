#!/bin/sh
# Ludra as a native Wayland client of a headless compositor without a seat, which never activates
# a window: the real program says nothing on stderr, names itself by its desktop entry and makes
# its list file (the first audit); the window of the tests fills its list.
#   wayland-session.sh <ludra executable> <ui_tests executable> <desktop entry>
set -eu
ludra=$1
tests=$2
entry=$3
app_id=$(basename "$entry" .desktop)

# 77: skipped (scripts/install-deps installs weston)
command -v weston >/dev/null || { echo "wayland: weston is not installed"; exit 77; }

work=$(mktemp -d)
compositor=""
pid=""
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null; [ -z "$compositor" ] || kill "$compositor" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "wayland: $*"; exit 1; }

mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" WAYLAND_DISPLAY=ludra-test QT_QPA_PLATFORM=wayland
unset DISPLAY
weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --idle-time=0 --no-config \
  >"$work/weston.log" 2>&1 &
compositor=$!
i=0
while [ $i -lt 50 ] && [ ! -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ]; do
  kill -0 "$compositor" 2>/dev/null || break
  sleep 0.2
  i=$((i + 1))
done
if [ ! -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ]; then
  tail -n 5 "$work/weston.log"
  echo "wayland: the headless compositor did not start; skipped"
  exit 77
fi

# A copy of the program, so its list file is made in the temporary folder, not the build tree.
mkdir "$work/app"
cp "$ludra" "$work/app/ludra"
(cd "$work/app" && WAYLAND_DEBUG=client exec ./ludra) >"$work/stdout.log" 2>"$work/stderr.log" &
pid=$!
i=0
while [ $i -lt 100 ] && [ ! -s "$work/app/ludra.ini" ]; do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.2
  i=$((i + 1))
done
sleep 1  # what it might still say once the audit has ended
kill "$pid" 2>/dev/null || fail "ludra ended on its own: $(grep -v '^\[' "$work/stderr.log" | head -n 5)"
wait "$pid" 2>/dev/null || true
pid=""

# WAYLAND_DEBUG's protocol lines start with a time stamp in brackets; anything else is a warning.
grep -q 'Could not find the Qt platform plugin' "$work/stderr.log" &&
  fail "Qt's Wayland plug-in is missing (Debian qt6-wayland, scripts/install-deps)"
if grep -v -E '^\[ *[0-9]+\.[0-9]+\] ' "$work/stderr.log" >"$work/warnings.log"; then
  cat "$work/warnings.log"
  fail "ludra wrote the above on stderr"
fi
ids=$(sed -n 's/.*xdg_toplevel@[0-9]*\.set_app_id("\([^"]*\)").*/\1/p' "$work/stderr.log" | sort -u)
[ "$ids" = "$app_id" ] || fail "app id \"$ids\", not the desktop entry's \"$app_id\""
[ -s "$work/app/ludra.ini" ] || fail "no list file: the first audit did not run"

"$tests" --gtest_filter=MainWindowAuditThread.AWindowNeverActivatedAuditsAfterItsFirstPaint \
  >"$work/tests.log" 2>&1 || { cat "$work/tests.log"; fail "the window of the tests"; }
grep -q '^\[  PASSED  \] 1 test' "$work/tests.log" || { cat "$work/tests.log"; fail "the window's test did not run"; }
echo "wayland: app id $app_id, nothing on stderr, list file made; the test window's list filled"
