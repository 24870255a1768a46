# SPDX-License-Identifier: MIT
# The two commands that set everything up: `make run` and `make test`. The builds are the
# configurations of CMakePresets.json: the normal one in BUILD_DIR, the sanitizer build in
# build-asan, the fuzz build in build-fuzz (both clang at -O1), the engine alone without Qt
# in build-engine.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
FUZZ_DIR := build-fuzz
# How long each fuzz target runs under `make fuzz`.
FUZZ_SECONDS ?= 300
# Compile jobs of the sanitizer and fuzz builds.
JOBS ?= 2

.PHONY: all deps test-deps configure build run test quick engine bench package soak clean \
        sanitize fuzz fuzz-build web

# One step at a time, in the order written: each build runs its own jobs in parallel, and
# the timed fuzz runs must not share the cores with a build.
.NOTPARALLEL:

all: build

# What building and playing need; `make test` adds the tools the tests drive.
deps:
	@scripts/install-deps

test-deps:
	@scripts/install-deps --tests

configure: deps
	@cmake --preset default -B $(BUILD_DIR) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR)

run: build
	$(BUILD_DIR)/tavrin

# The gate, the same on every run: the engine built alone (the proof it needs no Qt) with
# its tests, the sanitizer build with its tests and the replay of every committed fuzz
# input, then the web front end's site, then the normal tests (the web tests among them),
# whose summary ends the output. Nothing in it fuzzes for a time or measures speed or
# memory: that is `make fuzz` and `make bench`.
test: test-deps build engine sanitize web
	cd $(BUILD_DIR) && ctest --output-on-failure -j2

# The inner loop: the normal build and its tests, without the sanitizers, the real window,
# the desktop and the robustness suite.
quick: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j2 -LE 'e2e|robustness'

engine: deps
	@cmake --preset engine-only >/dev/null
	@cmake --build --preset engine-only -j $(JOBS)
	ctest --preset engine-only -j2

# The web front end, a static site in build-web/site that plays the demo (serve it with
# `python3 -m http.server -d build-web/site`); build-web/page is what --export-web copies.
web: build
	@scripts/install-deps --web
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
# file holds only other libraries' one-time allocations. The options are the asan presets'
# (the build needs them too: it runs each test program once to list its tests). Its tests
# include fuzz_replay.<target>.<part>, every committed input of tests/fuzz run once through
# its target. The end-to-end tests (label e2e) cannot run under the sanitizers: they drive
# the real window under an X server with timeouts set for the normal build.
sanitize: test-deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j2

# ---- libFuzzer --------------------------------------------------------------------------
# The fuzz targets of tests/fuzz built with libFuzzer; the build's tests replay every
# committed input once. scripts/fuzz then runs each target for its time (FUZZ_SECONDS),
# from the committed corpus and a working corpus of its own in $(FUZZ_DIR)/corpus/.
fuzz-build: test-deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)

# A failing replay does not stop `make fuzz`: the target meets the same input first thing,
# and the others still run.
fuzz: fuzz-build
	-cd $(FUZZ_DIR) && ctest --output-on-failure
	@scripts/fuzz -b $(FUZZ_DIR) -s $(FUZZ_SECONDS)
