#!/bin/sh
# Writes the small ELF plug-ins of the plug-in reader's seed corpus, which the plug-in tests read
# too: one per class and byte order, each with another hash table style. Needs clang and ld.lld,
# which build for any machine without its C library. Run from anywhere: fuzz/make-elf-seeds.sh
set -eu
out="$(cd "$(dirname "$0")" && pwd)/corpus/fuzz_plugin"
src="$(mktemp --suffix=.c)"
trap 'rm -f "$src"' EXIT
# A renderer whose other plug-in names must not count: the controller's is data, not a function;
# the sound entry is only called, defined elsewhere; a hidden function is not exported.
cat > "$src" <<'C'
int ZN_JammaOpen = 1;
extern int ZN_SPUopen(void);
__attribute__((visibility("hidden"))) int ZN_SPUclose(void) { return 0; }
__attribute__((weak)) int GPUopen(void) { return ZN_SPUclose(); }
int ZN_GPUinit(void) { return ZN_SPUopen() + ZN_JammaOpen; }
C
build() {  # target, hash style, output name
  clang --target="$1" -fuse-ld=lld -nostdlib -shared -fPIC -O1 -Wl,--hash-style="$2" \
    -Wl,--build-id=none "$src" -o "$out/$3"
}
build i386-linux-gnu sysv renderer-elf32-le-sysv.tvi
build powerpc-linux-gnu gnu renderer-elf32-be-gnu.tvi
build aarch64_be-linux-gnu sysv renderer-elf64-be-sysv.tvi
build x86_64-linux-gnu gnu renderer-elf64-le-gnu.tvi
