# The two set-up commands: `make run` and `make test`.
BUILD ?= build
BUILD_TYPE ?= Release
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

.PHONY: run test deps build bench asan clean

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/game/korvath $(ARGS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The whole suite under AddressSanitizer and UBSan, in its own build folder.
asan:
	@$(MAKE) --no-print-directory test BUILD=build-asan BUILD_TYPE=Debug CMAKE_FLAGS=-DKV_SANITIZE=ON

bench:
	@$(MAKE) --no-print-directory build BUILD=build-bench BUILD_TYPE=Release CMAKE_FLAGS=-DKV_BENCH=ON
	@for b in build-bench/bench/kv_bench_*; do [ -x "$$b" ] && "$$b"; done; true

clean:
	rm -rf build build-asan build-bench
