# The two commands of the README: `make run` and `make test`. Both install
# what is missing, configure and build into build/.

BUILD     ?= build
ASAN_BUILD ?= build-asan
FILE      ?= samples/room.hdr
JOBS      ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX    ?= /usr/local
FUZZ_SECONDS ?= 60

CMAKE_FLAGS = -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELLUMIR_WERROR=ON

.PHONY: all deps configure build run test unit-test asan-test bench fuzz install clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/pellumir-convert --info "$(FILE)"

test: unit-test

unit-test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: configure
	cmake --build $(BUILD) -j $(JOBS) --target benchmarks
	$(BUILD)/bench/pellumir-bench

install: build
	cmake --install $(BUILD) --prefix "$(PREFIX)"

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
