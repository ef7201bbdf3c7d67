# Two commands for a fresh machine: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja

.PHONY: run test deps build build-asan test-fast test-asan bench format clean

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

$(ASAN_BUILD)/build.ninja: | deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DLUDRA_SANITIZE=ON -DLUDRA_BENCH=OFF

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)

run: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS) --target ludra demo
	cd $(BUILD)/demo && ../ui/ludra

test-fast: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j $(JOBS)

# Runs the whole suite twice: a normal build and the sanitizer build.
test: test-fast test-asan

bench: build
	@for b in $(BUILD)/bench/ludra-bench*; do echo "== $$b"; $$b || exit 1; done

format:
	find catalogue launch ui tests bench tools fuzz -name '*.cpp' -o -name '*.h' 2>/dev/null | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
