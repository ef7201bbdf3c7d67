# Two commands for a fresh machine: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_SMOKE_SECONDS ?= 20
FUZZ_TARGETS ?= fuzz_zip fuzz_listfile fuzz_plugin fuzz_jpeg fuzz_dat
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja
# Rebuilds in several checkouts share one compiler cache when ccache is there; nothing needs it.
CMAKE_GEN  += $(if $(shell command -v ccache),-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: run test deps build build-asan build-fuzz test-fast test-asan test-fuzz check-format bench \
	fuzz format clean translations check-clang

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUDRA_WERROR=ON

$(ASAN_BUILD)/build.ninja: | deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DLUDRA_SANITIZE=ON -DLUDRA_BENCH=OFF \
	  -DLUDRA_WERROR=ON

# The fuzz build needs only the decoder of the window, so the widgets stay out.
$(FUZZ_BUILD)/build.ninja: | deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DLUDRA_FUZZ=ON -DLUDRA_BENCH=OFF -DLUDRA_UI=OFF -DLUDRA_WERROR=ON

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# Brings resources/translations/ludra_*.ts up to date with the texts of the sources.
translations: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) --target update-translations

# The demo's stand-in emulator runs on its own, its output kept in Ludra's log folder; what it
# was started with (tavi.log) is shown here as each game starts.
run: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target ludra ludra-audit demo
	@echo "make run: double-click a game; the stand-in tavi.exe shows here what it was started with."
	@cd $(BUILD)/demo && touch tavi.log && { tail -n 0 -F tavi.log & tail=$$!; \
	  ../ui/ludra; status=$$?; kill $$tail; exit $$status; }

test-fast: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS)

# A short run of every fuzz target on its seeds alone: fails on any crash.
test-fuzz: build-fuzz
	@scripts/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SMOKE_SECONDS) smoke $(FUZZ_TARGETS)

SOURCES = find app catalogue launch fileio ui tests bench tools fuzz -name '*.cpp' -o -name '*.h'

check-format:
	@$(SOURCES) | xargs clang-format --dry-run -Werror

# The fuzz build compiles the libraries with clang; the window, the program's own process and the
# tools are checked here, syntax only, with the normal build's flags.
check-clang: build
	@scripts/clang-syntax $(BUILD)

# The layout first (cheapest), then the suite on a normal build and on the sanitizer build, then
# the fuzzers' smoke run. Every build treats warnings as errors.
test: check-format test-fast check-clang test-asan test-fuzz

bench: build
	@for b in $(BUILD)/bench/ludra-bench*; do echo "== $$b"; $$b || exit 1; done

build-fuzz: deps $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS)

# Runs each target for FUZZ_SECONDS on a copy of its seed corpus that grows from run to run (the
# seeds in fuzz/corpus stay as committed). Crashes land in $(FUZZ_BUILD)/artifacts-<target>/.
fuzz: build-fuzz
	@scripts/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS) grow $(FUZZ_TARGETS)

format:
	$(SOURCES) | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
