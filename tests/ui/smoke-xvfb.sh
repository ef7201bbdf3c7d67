#!/bin/sh
# Starts the real program on a virtual X display in an empty folder, waits for its window
# "TAVI", photographs the screen and closes the program.
#   smoke-xvfb.sh <ludra executable> <screenshot.png>
set -eu
ludra=$1
shot=$2

for tool in xvfb-run xwininfo import; do
  command -v "$tool" >/dev/null || { echo "smoke-xvfb: $tool is not installed"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A copy of the program, so its list file is made in the temporary folder, not the build tree.
cp "$ludra" "$work/ludra"
mkdir -p "$(dirname "$shot")"

cat >"$work/inside.sh" <<'INSIDE'
#!/bin/sh
set -u
work=$1
shot=$2
cd "$work"
QT_QPA_PLATFORM=xcb ./ludra >"$work/ludra.log" 2>&1 &
pid=$!
found=0
i=0
while [ $i -lt 150 ]; do  # up to 30 seconds
  if xwininfo -root -tree 2>/dev/null | grep -q '"TAVI"'; then found=1; break; fi
  if ! kill -0 $pid 2>/dev/null; then break; fi
  sleep 0.2
  i=$((i + 1))
done
status=1
if [ $found = 1 ]; then
  # The first paint audits; wait until that has made the list file.
  i=0
  while [ $i -lt 50 ] && [ ! -s "$work/ludra.ini" ]; do sleep 0.2; i=$((i + 1)); done
  sleep 0.5
  import -window root "$shot" && status=0
  [ -s "$work/ludra.ini" ] || { echo "smoke-xvfb: no ludra.ini after the first paint"; status=1; }
else
  echo "smoke-xvfb: no window titled TAVI appeared"
  cat "$work/ludra.log"
fi
kill $pid 2>/dev/null || true
wait $pid 2>/dev/null || true
exit $status
INSIDE
chmod +x "$work/inside.sh"

unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 1024x768x24" "$work/inside.sh" "$work" "$shot"
[ -s "$shot" ] || { echo "smoke-xvfb: no screenshot"; exit 1; }
echo "smoke-xvfb: window shown, screenshot in $shot"
