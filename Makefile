# Build, run and test ORVANE Pelan. Every target installs the Debian packages it needs first.
BUILD_DIR ?= build
ASAN_DIR ?= build-asan
FUZZ_DIR ?= build-fuzz
TSAN_DIR ?= build-tsan
RELEASE_DIR ?= build-release
PREFIX ?= /usr/local
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all deps configure build run test test-asan test-tsan fuzz release package install bench format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	scripts/run-pelan $(BUILD_DIR)/bin

# The test builds turn warnings into errors; a build with the default options (release) does not.
test: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELAN_WERROR=ON $(CMAKE_FLAGS)
	cmake --build $(BUILD_DIR) -j $(JOBS)
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

test-asan: deps
	cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPELAN_SANITIZE=ON -DPELAN_BENCH=OFF -DPELAN_WERROR=ON $(CMAKE_FLAGS)
	cmake --build $(ASAN_DIR) -j $(JOBS)
	cd $(ASAN_DIR) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

# ThreadSanitizer over the tests that run worker threads (label "threads"); any report fails the test.
test-tsan: deps
	cmake -S . -B $(TSAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPELAN_TSAN=ON -DPELAN_BENCH=OFF -DPELAN_WERROR=ON $(CMAKE_FLAGS)
	cmake --build $(TSAN_DIR) -j $(JOBS) --target threaded_tests
	cd $(TSAN_DIR) && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ignore_noninstrumented_modules=1" \
		ctest --output-on-failure -j $(JOBS) -L threads

# The libFuzzer programs, built with clang; run one with build-fuzz/bin/NAME fuzz/corpus/NAME.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELAN_FUZZ=ON -DPELAN_BENCH=OFF -DPELAN_WERROR=ON $(CMAKE_FLAGS)
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target fuzz_targets

# The programs as a packager builds them: Release with the default options (the test update key refused).
release: deps
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DPELAN_ALLOW_TEST_UPDATE_KEY=OFF $(CMAKE_FLAGS)
	cmake --build $(RELEASE_DIR) -j $(JOBS) --target programs

# The Debian package of the release build, then the check that unpacks it and starts its programs.
package: release
	cd $(RELEASE_DIR) && cpack -G DEB && ctest --output-on-failure -R '^packaging_'

install: release
	cmake --install $(RELEASE_DIR) --prefix $(PREFIX)

bench: build
	@for b in $(BUILD_DIR)/bin/bench_*; do echo "== $$b"; $$b; done

format:
	find . -path ./build -prune -o -path './build-*' -prune -o \( -name '*.cpp' -o -name '*.h' \) -print | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR) $(TSAN_DIR) $(RELEASE_DIR)
