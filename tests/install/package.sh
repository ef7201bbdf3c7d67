#!/bin/sh
# The Debian package: built by CPack from the build folder, its Depends taken from the binaries,
# and no error from lintian.
#   package.sh <build folder>
set -eu
build=$1
for tool in cpack dpkg-deb dpkg-shlibdeps lintian; do
  # 77: skipped (scripts/install-deps installs these)
  command -v "$tool" >/dev/null || { echo "package: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; echo "package: cpack failed"; exit 1; }
deb=$(ls "$work"/ludra_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "package: $(basename "$deb"): Depends: $depends"
case "$depends" in
  *libqt6widgets6*libc6* | *libc6*libqt6widgets6*) ;;
  *) echo "package: Depends does not come from the binaries"; exit 1 ;;
esac
dpkg-deb -c "$deb" | grep -q ' ./usr/bin/ludra$' || { echo "package: no /usr/bin/ludra"; exit 1; }
lintian --fail-on error "$deb"
