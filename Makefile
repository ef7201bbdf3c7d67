# Two commands for a fresh machine: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?= fuzz_zip fuzz_listfile fuzz_plugin fuzz_jpeg
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja

.PHONY: run test deps build build-asan test-fast test-asan bench fuzz format clean

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

$(ASAN_BUILD)/build.ninja: | deps
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DLUDRA_SANITIZE=ON -DLUDRA_BENCH=OFF

# The fuzz build needs only the decoder of the window, so the widgets stay out.
$(FUZZ_BUILD)/build.ninja: | deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DLUDRA_FUZZ=ON -DLUDRA_BENCH=OFF -DLUDRA_UI=OFF

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

# Runs each target for FUZZ_SECONDS on a copy of its seed corpus (the copy grows from run to run;
# the seeds in fuzz/corpus stay as committed). Crashes land in $(FUZZ_BUILD)/artifacts-<target>/.
fuzz: deps $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS)
	@failed=""; for t in $(FUZZ_TARGETS); do \
	  corpus=$(FUZZ_BUILD)/corpus-$$t; artifacts=$(FUZZ_BUILD)/artifacts-$$t/; \
	  mkdir -p $$corpus $$artifacts && cp fuzz/corpus/$$t/* $$corpus/; \
	  echo "== $$t: $(FUZZ_SECONDS) s"; \
	  $(FUZZ_BUILD)/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -timeout=10 -print_final_stats=1 \
	    -artifact_prefix=$$artifacts $$corpus > $(FUZZ_BUILD)/$$t.log 2>&1 || failed="$$failed $$t"; \
	  grep -E '^#[0-9]+[[:space:]]+DONE' $(FUZZ_BUILD)/$$t.log || tail -n 30 $(FUZZ_BUILD)/$$t.log; \
	  grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' $(FUZZ_BUILD)/$$t.log; \
	  echo "corpus: $$(ls $$corpus | wc -l) inputs"; \
	done; \
	if [ -n "$$failed" ]; then echo "fuzz: crashes in$$failed (see $(FUZZ_BUILD)/*.log)"; exit 1; fi

format:
	find catalogue launch ui tests bench tools fuzz -name '*.cpp' -o -name '*.h' 2>/dev/null | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD)
