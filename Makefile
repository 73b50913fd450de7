# The two commands of the README:
#   make run   installs what is missing, builds, and starts Ombrix.exe under Wine
#   make test  installs what is missing, builds both flavours, runs every test
BUILD      ?= build
NATIVE     := $(BUILD)/native
WINDOWS    := $(BUILD)/windows
JOBS       ?= $(shell nproc)
export OMBRIX_WINEPREFIX ?= $(abspath $(BUILD))/wine/prefix

.PHONY: all deps native windows test test-native test-windows run fuzz bench clean

all: native windows

deps:
	@bash scripts/deps.sh

$(NATIVE)/build.ninja:
	cmake -S . -B $(NATIVE) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

$(WINDOWS)/build.ninja:
	cmake -S . -B $(WINDOWS) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake

native: deps $(NATIVE)/build.ninja
	ninja -C $(NATIVE) -j $(JOBS)

windows: deps $(WINDOWS)/build.ninja
	ninja -C $(WINDOWS) -j $(JOBS)

test: native windows
	@bash scripts/run-tests.sh $(NATIVE) $(WINDOWS)

test-native: native
	ctest --test-dir $(NATIVE) --output-on-failure -j $(JOBS)

test-windows: windows
	@bash scripts/with-display.sh ctest --test-dir $(WINDOWS) --output-on-failure

run: windows
	@bash scripts/run-demo.sh $(WINDOWS)

fuzz:
	@DEPS_FUZZ=1 bash scripts/deps.sh
	@bash scripts/fuzz.sh $(BUILD)/fuzz

bench: native
	@bash scripts/bench.sh $(NATIVE)

clean:
	rm -rf $(BUILD)
