#!/bin/sh
# The Debian package: built by CPack from the build folder, its Depends taken from the binaries,
# its binaries hardened, and nothing from lintian but notes.
#   package.sh <build folder>
set -eu
build=$1
for tool in cpack dpkg-deb dpkg-shlibdeps lintian hardening-check; do
  # 77: skipped (scripts/install-deps installs these)
  command -v "$tool" >/dev/null || { echo "package: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package: $*"; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/ludra_*.deb)
# A second package of the same build is the same to the byte.
mkdir "$work/again"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/again" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "the second cpack failed"; }
cmp "$deb" "$work/again/$(basename "$deb")" || fail "two packages of one build differ"
[ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "section $(dpkg-deb -f "$deb" Section), not games"
depends=$(dpkg-deb -f "$deb" Depends)
echo "package: $(basename "$deb"): Depends: $depends"
case "$depends" in
  *libqt6widgets6*libc6* | *libc6*libqt6widgets6*) ;;
  *) fail "Depends does not come from the binaries" ;;
esac
recommends=$(dpkg-deb -f "$deb" Recommends)
for package in qt6-translations-l10n qt6-wayland; do
  case ", $recommends," in
    *", $package,"*) ;;
    *) fail "$package is not recommended (Recommends: $recommends)" ;;
  esac
done
dpkg-deb -c "$deb" >"$work/contents"
grep -q ' ./usr/bin/ludra$' "$work/contents" || fail "no /usr/bin/ludra"

# Every tag lintian gives, notes and pedantic ones included: no error or warning, and none about
# hardening or sections left in the binaries.
lintian -I -E --pedantic "$deb" >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log"; fail "lintian failed"; }
cat "$work/lintian.log"
! grep -E '^(E|W): |hardening-|binary-has-unneeded-section|mismatched-override|unused-override' \
  "$work/lintian.log" >/dev/null || fail "lintian finds fault with the package"

dpkg-deb -x "$deb" "$work/root"
# PIE, stack protector, fortify, relro and bind-now (control-flow protection is not among
# Debian's default flags).
for program in ludra ludra-audit; do
  hardening-check --nocfprotection "$work/root/usr/bin/$program" || fail "$program is not hardened"
done
echo "package: lintian and hardening-check pass"
