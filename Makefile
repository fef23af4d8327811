# Entry points for newcomers and CI. Every target installs what it needs first.
BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_TSAN ?= build-tsan
BUILD_FUZZ ?= build-fuzz
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
FUZZ_SECONDS ?= 15

CMAKE_GEN := -G Ninja

.PHONY: all deps build run test test-core asan-configure fuzz-configure test-asan test-tsan format format-check fuzz fuzz-smoke bench install clean

all: build

deps:
	./scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DREELPANE_WERROR=ON -DREELPANE_BENCH=ON
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/reelpane

# Every test, each run once: the widget tests (the window, its dialogs, the program started and
# installed) in the normal build, offscreen; the core tests (every layer below the widgets and the
# console tool) under AddressSanitizer and UndefinedBehaviorSanitizer in a tree without widgets;
# and the formatting check. Each tree runs its test programs in parallel. CI adds test-tsan (the threads under
# ThreadSanitizer), the fuzz smoke and the benchmark build (.ci/run).
test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) -L ui
	$(MAKE) --no-print-directory test-asan
	$(MAKE) --no-print-directory format-check

# The core tests in the normal build.
test-core: build
	cmake --build $(BUILD) -j $(JOBS) --target core-tests
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) -L core

# The sanitizer tree: the core and its test programs built with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, without widgets.
asan-configure: deps
	CC=clang CXX=clang++ cmake -S . -B $(BUILD_ASAN) $(CMAKE_GEN) -DREELPANE_SANITIZE=ON -DREELPANE_FUZZ=OFF \
	    -DREELPANE_GUI=OFF -DREELPANE_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1"

# The fuzz tree: the core built with the fuzzer's coverage and the same sanitizers, linked into
# each libFuzzer harness. A tree of its own, because the coverage's callbacks on every comparison
# would slow the sanitizer tree's tests.
fuzz-configure: deps
	CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) $(CMAKE_GEN) -DREELPANE_FUZZ=ON \
	    -DREELPANE_GUI=OFF -DREELPANE_TESTS=OFF -DREELPANE_BENCH=OFF \
	    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1"

test-asan: asan-configure
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	    ctest --test-dir $(BUILD_ASAN) --output-on-failure -j $(JOBS) -L core

test-tsan: deps
	JOBS=$(JOBS) ./scripts/tsan.sh $(BUILD_TSAN)

format:
	find source cli audio tests fuzz bench -name '*.cpp' -o -name '*.h' -o -name '*.c' | xargs clang-format -i

format-check:
	find source cli audio tests fuzz bench -name '*.cpp' -o -name '*.h' -o -name '*.c' | xargs clang-format --dry-run -Werror

# libFuzzer harnesses (the fuzz tree above); fuzz-smoke runs each for FUZZ_SECONDS.
fuzz: fuzz-configure
	cmake --build $(BUILD_FUZZ) -j $(JOBS) --target fuzzers

fuzz-smoke: fuzz
	./scripts/fuzz-smoke.sh $(BUILD_FUZZ) $(FUZZ_SECONDS)

# The benchmarks, in the normal tree (left out of its default target).
bench: build
	cmake --build $(BUILD) -j $(JOBS) --target benches

install: build
	cmake --install $(BUILD)

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_TSAN) $(BUILD_FUZZ)
