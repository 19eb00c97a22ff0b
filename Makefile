# The two commands for a fresh Debian machine:
#   make run      install what building and running need, build vitrix, start it
#   make test     install everything, build, run every test
# Others: make package (the Debian package, in the build folder), make build,
# make lint (clang-format, shellcheck and clang-tidy, every finding an error;
# make test runs it), make format (lays the C++ sources out as .clang-format
# says), make asan (tests under AddressSanitizer + UBSan), make fuzz
# (libFuzzer targets with clang), make bench.
#
# make build, test, lint, asan and fuzz turn warnings into errors
# (VITRIX_WERROR); a build folder that make run or make package makes does
# not, no more than a plain cmake build.

BUILD_DIR ?= build
ASAN_DIR ?= build-asan
FUZZ_DIR ?= build-fuzz
JOBS ?= $(shell nproc)

CONFIGURE = cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
# A build folder that make run or make package makes has no tests or
# benchmarks, whose packages they do not install; make build turns them on,
# and a folder that has them keeps them.
WITHOUT_TESTS = $(if $(wildcard $(BUILD_DIR)/CMakeCache.txt),,-DVITRIX_TESTS=OFF -DVITRIX_BENCH=OFF)

.PHONY: run test deps build lint format package asan fuzz bench clean

deps:
	@scripts/install-deps

build: deps
	$(CONFIGURE) -DVITRIX_TESTS=ON -DVITRIX_BENCH=ON -DVITRIX_WERROR=ON
	cmake --build $(BUILD_DIR) -j $(JOBS)

run:
	@scripts/install-deps run
	$(CONFIGURE) $(WITHOUT_TESTS)
	cmake --build $(BUILD_DIR) --target vitrix -j $(JOBS)
	scripts/run-vitrix $(BUILD_DIR)/vitrix

package:
	@scripts/install-deps package
	$(CONFIGURE) $(WITHOUT_TESTS)
	cmake --build $(BUILD_DIR) --target vitrix vitrix_installed_data -j $(JOBS)
	cd $(BUILD_DIR) && cpack -G DEB

test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS)
	JOBS=$(JOBS) scripts/lint $(BUILD_DIR)

lint: build
	JOBS=$(JOBS) scripts/lint $(BUILD_DIR)

format:
	find src tests bench fuzz tools -name '*.cpp' -o -name '*.h' | xargs clang-format-14 -i

asan: deps
	cmake -S . -B $(ASAN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVITRIX_SANITIZE=ON -DVITRIX_BENCH=OFF -DVITRIX_WERROR=ON
	cmake --build $(ASAN_DIR) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 ctest --test-dir $(ASAN_DIR) --output-on-failure -j $(JOBS)

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVITRIX_FUZZ=ON -DVITRIX_WERROR=ON
	cmake --build $(FUZZ_DIR) -j $(JOBS)

bench: build
	scripts/run-benchmarks $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) $(ASAN_DIR) $(FUZZ_DIR)
