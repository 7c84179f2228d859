# make run   - installs what is missing, builds, starts the launcher under Wine
# make test  - installs what is missing, builds all three builds, runs every test
# make bench-copy - the copy engine against cp -r (not a test)
# make bench-setup - the copy and the zip run through the real setup window under Wine against cp -r and zip -9 -r (not a test)
# make bench-addfiles - zipping one file per AddFiles call against zip -9 (not a test)
# make fuzz  - the directory reader, the zip format core, the self-extractor's run and the library's append under libFuzzer, FUZZ_SECONDS each
SHELL := /bin/bash
JOBS ?= 2
BUILD := build

.PHONY: all deps native win64 win32 test test-native test-win64 run clean bench-copy bench-setup bench-addfiles fuzz fuzz-build fuzz-smoke

all: native win64 win32

deps:
	@scripts/deps.sh

$(BUILD)/native/build.ninja:
	cmake -S . -B $(BUILD)/native -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZK_SANITIZE=ON
$(BUILD)/win64/build.ninja:
	cmake -S . -B $(BUILD)/win64 -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
$(BUILD)/win32/build.ninja:
	cmake -S . -B $(BUILD)/win32 -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake

native: deps $(BUILD)/native/build.ninja
	cmake --build $(BUILD)/native -j$(JOBS)
win64: deps $(BUILD)/win64/build.ninja
	cmake --build $(BUILD)/win64 -j$(JOBS)
win32: deps $(BUILD)/win32/build.ninja
	cmake --build $(BUILD)/win32 -j$(JOBS)

test-native: native
	cd $(BUILD)/native && ctest --output-on-failure

# One Wine session (Xvfb when headless, one wineserver) for all Windows tests.
test-win64: win64
	scripts/wine-session.sh $(BUILD)/win64/wineprefix \
	  bash -c 'cd $(BUILD)/win64 && ctest --output-on-failure'

test: native win64 win32 test-native test-win64 fuzz-smoke

run: deps win64
	scripts/run-demo.sh $(BUILD)/win64

# Not a test: the copy engine against cp -r, optimised and without sanitizers.
$(BUILD)/bench-copy/build.ninja:
	cmake -S . -B $(BUILD)/bench-copy -G Ninja -DCMAKE_BUILD_TYPE=Release -DZK_TESTS=OFF
bench-copy: deps $(BUILD)/bench-copy/build.ninja
	cmake --build $(BUILD)/bench-copy -j$(JOBS) --target copy_bench
	$(BUILD)/bench-copy/bench/copy_bench

# Not a test: the copy through the real setup window under Wine against cp -r.
bench-setup: win64
	bench/setup_bench.sh $(BUILD)/win64 $(or $(MB),100) $(WORK)

# Not a test: the setup's one-file-per-call zipping (component and real
# library, optimised) against zip -9 -r -q of the same folder.
$(BUILD)/bench-addfiles/build.ninja:
	cmake -S . -B $(BUILD)/bench-addfiles -G Ninja -DCMAKE_BUILD_TYPE=Release -DZK_TESTS=OFF
bench-addfiles: deps $(BUILD)/bench-addfiles/build.ninja
	cmake --build $(BUILD)/bench-addfiles -j$(JOBS) --target addfiles_bench
	bench/addfiles_bench.sh $(BUILD)/bench-addfiles/bench/addfiles_bench $(BUILD)/bench-addfiles/work $(or $(RUNS),5)

# The fuzzers (clang, libFuzzer, ASan, UBSan), in a build of their own.
FUZZ_SECONDS ?= 300
$(BUILD)/fuzz/build.ninja:
	cmake -S tests/fuzz -B $(BUILD)/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++
fuzz-build: deps $(BUILD)/fuzz/build.ninja
	cmake --build $(BUILD)/fuzz -j$(JOBS)
fuzz: fuzz-build
	scripts/fuzz-zipdir.sh $(BUILD)/fuzz $(FUZZ_SECONDS)
	scripts/fuzz-more.sh $(BUILD)/fuzz $(FUZZ_SECONDS)
# A few seconds of each as part of make test.
fuzz-smoke: fuzz-build
	scripts/fuzz-zipdir.sh $(BUILD)/fuzz 5
	scripts/fuzz-more.sh $(BUILD)/fuzz 5

clean:
	rm -rf $(BUILD)
