# Thin front for CMake and CTest. Every target installs what is missing first.
BUILD ?= build
TOOLCHAIN := cmake/toolchain-i686-w64-mingw32.cmake
JOBS ?= 2

.PHONY: all deps configure build test clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAIN) -DCMAKE_BUILD_TYPE=Release

configure: $(BUILD)/CMakeCache.txt

build: deps configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	scripts/test-session $(BUILD) ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) $(CTEST_ARGS)

clean:
	rm -rf $(BUILD)

# The demo, the interactive run and the Windows package.
include mk/demo.mk
