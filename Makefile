# The two commands that set everything up: `make run` and `make test`.
BUILD_DIR ?= build
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD_DIR)

run: build
	$(BUILD_DIR)/tavrin

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j2

bench: build
	@scripts/run-benchmarks $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR)
