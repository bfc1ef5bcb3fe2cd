# The two commands of the README: `make run` and `make test`, each after
# `sh scripts/install-deps` (which also installs make itself on a fresh
# machine). Both install what is missing, configure and build into build/.

BUILD     ?= build
ASAN_BUILD ?= build-asan
FILE      ?= samples/room.hdr
JOBS      ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX    ?= /usr/local
FUZZ_BUILD ?= build-fuzz
PACKAGE_BUILD ?= build-package
FUZZ_SECONDS ?= 60

CMAKE_FLAGS = -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELLUMIR_WERROR=ON
# The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer,
# with the fuzz corpus and every kept crash file replayed (fuzz/).
ASAN_FLAGS = $(CMAKE_FLAGS) -DPELLUMIR_SANITIZE=ON -DPELLUMIR_BENCHMARKS=OFF
# libFuzzer needs clang; the harnesses run under both sanitizers as well.
FUZZ_FLAGS = -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
             -DPELLUMIR_FUZZ=ON -DPELLUMIR_SANITIZE=ON -DPELLUMIR_BENCHMARKS=OFF
# The Debian package: the programs alone, built for /usr, where the program
# looks for its installed README.
PACKAGE_FLAGS = $(CMAKE_FLAGS) -DBUILD_TESTING=OFF -DCMAKE_INSTALL_PREFIX=/usr

.PHONY: all deps configure build run test unit-test asan-test bench fuzz install package clean

all: build

deps:
	@sh scripts/install-deps

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)

configure: deps $(BUILD)/CMakeCache.txt

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Builds the viewer alone, not the tests, fuzzers and benchmarks.
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target pellumir
	$(BUILD)/pellumir "$(FILE)"

test: unit-test asan-test

unit-test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

$(ASAN_BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(ASAN_BUILD) $(ASAN_FLAGS)

# A test labelled no-sanitizer (one whose library trips the sanitizers by
# itself, as Qt may) runs in the normal build only.
asan-test: unit-test $(ASAN_BUILD)/CMakeCache.txt
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ctest --output-on-failure -j $(JOBS) -LE no-sanitizer

$(FUZZ_BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(FUZZ_BUILD) $(FUZZ_FLAGS)

# Every harness for FUZZ_SECONDS, one after another (fuzz/run-fuzzers).
fuzz: $(FUZZ_BUILD)/CMakeCache.txt
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers
	fuzz/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS)

bench: configure
	cmake --build $(BUILD) -j $(JOBS) --target benchmarks
	$(BUILD)/bench/pellumir-bench

install: build
	cmake --install $(BUILD) --prefix "$(PREFIX)"

$(PACKAGE_BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(PACKAGE_BUILD) $(PACKAGE_FLAGS)

# $(PACKAGE_BUILD)/pellumir_<version>_<architecture>.deb
package: $(PACKAGE_BUILD)/CMakeCache.txt
	cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	cd $(PACKAGE_BUILD) && cpack -G DEB
	@ls $(PACKAGE_BUILD)/*.deb

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(PACKAGE_BUILD) $(FUZZ_BUILD)
