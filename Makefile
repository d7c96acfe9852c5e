# Wraps CMake so that `make run` and `make test` are the whole set-up.
JOBS ?= $(shell nproc)
CMAKE ?= cmake
GEN := -G Ninja

.PHONY: build run test test-release test-sanitize test-tsan bench deliverables cross-check clean

build/release/build.ninja:
	$(CMAKE) -S . -B build/release $(GEN) -DCMAKE_BUILD_TYPE=Release

build/sanitize/build.ninja:
	$(CMAKE) -S . -B build/sanitize $(GEN) -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DKERV_SANITIZE=ON

build/tsan/build.ninja:
	$(CMAKE) -S . -B build/tsan $(GEN) -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" -DKERV_TSAN=ON

build: build/release/build.ninja
	$(CMAKE) --build build/release --target kerv -j $(JOBS)

run: build
	./build/release/kerv

test-release: build/release/build.ninja
	$(CMAKE) --build build/release -j $(JOBS)
	cd build/release && ctest --output-on-failure -j $(JOBS)

# Board, evaluation, search and tablebase tests under AddressSanitizer and UBSan.
test-sanitize: build/sanitize/build.ninja
	$(CMAKE) --build build/sanitize -j $(JOBS)
	cd build/sanitize && ctest --output-on-failure -j $(JOBS) -L 'board|eval|search|tablebase'

# The tests that run threads under ThreadSanitizer: the search, the
# tablebase probes from many threads, and console commands that meet a
# running search (on the program built here).
test-tsan: build/tsan/build.ninja
	$(CMAKE) --build build/tsan --target kerv test_search test_tablebase test_engine -j $(JOBS)
	cd build/tsan && ctest --output-on-failure -j $(JOBS) -L search
	cd build/tsan && ctest --output-on-failure -j $(JOBS) -R '^(TablebaseThreads|ConsoleRace)\.'

test: test-release test-sanitize test-tsan

bench: build/release/build.ninja
	$(CMAKE) --build build/release -j $(JOBS)

# The six programs of a release, built from this tree into build/deliverables/
# with the compilers that scripts/install-toolchains.sh installs.
CROSS := x86-64-popcnt x86-64 armv8 armv6 win32 win64-popcnt
TOOLCHAINS := $(CURDIR)/cmake/toolchains
flags_x86-64-popcnt := -DKERV_POPCNT=ON
flags_x86-64 := -DKERV_POPCNT=OFF
flags_armv8 := -DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAINS)/armv8.cmake
flags_armv6 := -DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAINS)/armv6.cmake
flags_win32 := -DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAINS)/win32.cmake
flags_win64-popcnt := -DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAINS)/win64.cmake -DKERV_POPCNT=ON

build/cross/%/build.ninja:
	$(CMAKE) -S . -B build/cross/$* $(GEN) -DCMAKE_BUILD_TYPE=Release -DKERV_PROGRAM_ONLY=ON $(flags_$*)

deliverables: $(CROSS:%=build/cross/%/build.ninja)
	mkdir -p build/deliverables
	set -e; for d in $(CROSS); do \
	  $(CMAKE) --build build/cross/$$d --target kerv -j $(JOBS); \
	  exe=; [ -f build/cross/$$d/kerv.exe ] && exe=.exe; \
	  cp build/cross/$$d/kerv$$exe build/deliverables/kerv-$$d$$exe; \
	done

# Runs every deliverable under its emulator and compares their answers.
cross-check: deliverables
	scripts/cross-check.sh

clean:
	rm -rf build
