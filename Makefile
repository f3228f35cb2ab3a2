# make run: set up, build and run KeyForge.  make test: set up, build and run every test.
BUILD    ?= build
JOBS     ?= 2
GENERATOR = -G Ninja
CMAKE_ARGS ?=

.PHONY: all setup configure build run test test-main test-sanitize fuzz bench clean

all: build

setup:
	@scripts/setup

$(BUILD)/build.ninja: | setup
	cmake -S . -B $(BUILD) $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

configure: $(BUILD)/build.ninja

build: setup configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/keyforgectl

FUZZ_SECONDS ?= 60

test: test-main test-sanitize fuzz

test-main: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The tests labelled "sanitize" again under AddressSanitizer + UndefinedBehaviorSanitizer
# and under ThreadSanitizer, each in its own build tree.
test-sanitize: setup
	cmake -S . -B $(BUILD)-asan $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DKF_SANITIZE=address,undefined -DKF_BUILD_BENCH=OFF
	cmake --build $(BUILD)-asan -j $(JOBS) --target kf_sanitize_tests
	ctest --test-dir $(BUILD)-asan --output-on-failure -j $(JOBS) -L sanitize
	cmake -S . -B $(BUILD)-tsan $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DKF_SANITIZE=thread -DKF_BUILD_BENCH=OFF
	cmake --build $(BUILD)-tsan -j $(JOBS) --target kf_sanitize_tests
	ctest --test-dir $(BUILD)-tsan --output-on-failure -j $(JOBS) -L sanitize

# The exchange-file import under libFuzzer (clang, ASan + UBSan) for FUZZ_SECONDS,
# starting from the seed corpus of real exported files.
fuzz: setup
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DKF_FUZZ=ON -DKF_SANITIZE=address,undefined -DKF_WERROR=OFF -DKF_BUILD_TESTS=OFF -DKF_BUILD_BENCH=OFF
	cmake --build $(BUILD)-fuzz -j $(JOBS) --target kf_fuzz_exchange
	mkdir -p $(BUILD)-fuzz/corpus
	$(BUILD)-fuzz/bin/kf_fuzz_exchange -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 \
	  -max_len=65536 $(BUILD)-fuzz/corpus tests/fuzz/corpus

bench: build
	cmake --build $(BUILD) -j $(JOBS) --target kf_benchmarks
	@for b in $(BUILD)/bin/kf_bench_*; do echo "== $$b"; $$b || exit 1; done

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-tsan $(BUILD)-fuzz
