# The two commands for a fresh Debian machine:
#   make run    install what is missing, build, start vitrix
#   make test   install what is missing, build, run every test
# Others: make build, make asan (tests under AddressSanitizer + UBSan),
# make fuzz (libFuzzer targets with clang), make bench.

BUILD_DIR ?= build
ASAN_DIR ?= build-asan
FUZZ_DIR ?= build-fuzz
JOBS ?= $(shell nproc)

.PHONY: run test deps build asan fuzz bench clean

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	scripts/run-vitrix $(BUILD_DIR)/vitrix

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)

asan: deps
	cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVITRIX_SANITIZE=ON -DVITRIX_BENCH=OFF
	cmake --build $(ASAN_DIR) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 ctest --test-dir $(ASAN_DIR) --output-on-failure -j $(JOBS)

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVITRIX_FUZZ=ON
	cmake --build $(FUZZ_DIR) -j $(JOBS)

bench: build
	scripts/run-benchmarks $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR)
