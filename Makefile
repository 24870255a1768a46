# The two commands that set everything up: `make run` and `make test`.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
# The sanitizer build and the fuzz build, both with clang at -O1 -g.
ASAN_DIR ?= build-asan
FUZZ_DIR ?= build-fuzz
# How long each fuzz target runs under `make fuzz`.
FUZZ_SECONDS ?= 300
# Compile jobs of the sanitizer and fuzz builds.
JOBS ?= 2

.PHONY: all deps configure build run test bench package soak clean sanitize fuzz fuzz-build web

# One step at a time, in the order written: each build runs its own jobs in parallel, and
# the timed fuzz runs must not share the cores with a build.
.NOTPARALLEL:

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR)

run: build
	$(BUILD_DIR)/tavrin

# The gate, the same on every run: the sanitizer build with its tests and the replay of
# every committed fuzz input, then the normal tests, whose summary ends the output. Nothing
# in it fuzzes for a time or measures speed or memory: that is `make fuzz` and `make bench`.
test: build sanitize
	cd $(BUILD_DIR) && ctest --output-on-failure -j2

# The web front end, a static site in build-web/site that plays the demo (serve it with
# `python3 -m http.server -d build-web/site`); build-web/page is what --export-web copies.
web: build
	@scripts/build-web $(BUILD_DIR)/tavrin build-web

bench: build
	@scripts/run-benchmarks $(BUILD_DIR)

# The Debian package tavrin_VERSION_ARCH.deb, in $(BUILD_DIR).
package: build
	cd $(BUILD_DIR) && cpack

# A long run of scripted play that must neither grow nor leak (SOAK_MINUTES, default 10).
SOAK_MINUTES ?= 10
# Then the robustness cases, the slow ones too, in scripted play and in the window, each
# within 10 s and 512 MB; and the look-back over a million lines played, within its bound.
soak: build
	scripts/soak --minutes $(SOAK_MINUTES) --tavrin $(BUILD_DIR)/tavrin
	tests/robustness/run.py --tavrin $(BUILD_DIR)/tavrin --slow --limits \
	  --no-cp932 $(BUILD_DIR)/tests/robustness/libno_cp932.so
	tests/robustness/run.py --tavrin $(BUILD_DIR)/tavrin --slow --limits --window
	$(BUILD_DIR)/look_back_peak_rss 1000000

clean:
	rm -rf $(BUILD_DIR)

# ---- AddressSanitizer and UndefinedBehaviorSanitizer over every test -------------------
# A report stops the program, so the test that met it fails; leaks count. The suppression
# file holds only other libraries' one-time allocations. The build gets the same options:
# it runs each test program once to list its tests. Its tests include fuzz_replay.<target>.<part>,
# every committed input of tests/fuzz run once through its target.
SANITIZER_ENV = \
  ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_string_checks=1 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizer/lsan.supp
# The end-to-end tests (label e2e) cannot run under the sanitizers: they drive the real
# window under an X server with timeouts set for the normal build.
sanitize: deps
	@cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTAVRIN_BENCH=OFF \
	  -DTAVRIN_SANITIZE=address,undefined -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g" >/dev/null
	@$(SANITIZER_ENV) cmake --build $(ASAN_DIR) -j $(JOBS)
	cd $(ASAN_DIR) && $(SANITIZER_ENV) ctest --output-on-failure -j2 -LE e2e

# ---- libFuzzer --------------------------------------------------------------------------
# The fuzz targets of tests/fuzz built with libFuzzer; the build's tests replay every
# committed input once. scripts/fuzz then runs each target for its time (FUZZ_SECONDS),
# from the committed corpus and a working corpus of its own in $(FUZZ_DIR)/corpus/.
fuzz-build: deps
	@cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTAVRIN_FUZZ=ON \
	  -DTAVRIN_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g" \
	  >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_targets

# A failing replay does not stop `make fuzz`: the target meets the same input first thing,
# and the others still run.
fuzz: fuzz-build
	-cd $(FUZZ_DIR) && ctest --output-on-failure
	@scripts/fuzz -b $(FUZZ_DIR) -s $(FUZZ_SECONDS)
