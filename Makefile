# Thin front for CMake and CTest. Every target installs what is missing first.
BUILD ?= build
JOBS ?= 2
export JOBS

.PHONY: all deps build test format clean bench

all: build

deps:
	@scripts/install-deps

# Configures and builds everything (scripts/korvane-build picks the toolchain).
build: deps
	scripts/korvane-build $(BUILD)

# A run of every test that passes records the shipped files it ran, for
# make dist (scripts/run-tests).
test: build
	scripts/run-tests $(BUILD) $(CTEST_ARGS)

# Korvane against the floor programs (not part of test): the table goes to
# the terminal and $(BUILD)/bench/results.json. BENCH_ARGS="--runs 5
# --cycles 20000" measures more; see scripts/bench.
bench: deps
	scripts/bench $(BUILD) $(BENCH_ARGS)

# Applies the house style (.clang-format) to every tracked C++ file.
format: deps
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format -i

clean:
	rm -rf $(BUILD)

# The demo, the interactive run and the Windows package.
include mk/demo.mk
