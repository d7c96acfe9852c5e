# Wraps CMake so that `make run` and `make test` are the whole set-up.
JOBS ?= $(shell nproc)
CMAKE ?= cmake
GEN := -G Ninja

.PHONY: build run test test-release test-sanitize test-tsan bench clean

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

# The tests that run threads under ThreadSanitizer: the search and the
# tablebase probes from many threads.
test-tsan: build/tsan/build.ninja
	$(CMAKE) --build build/tsan --target test_search test_tablebase -j $(JOBS)
	cd build/tsan && ctest --output-on-failure -j $(JOBS) -L search
	cd build/tsan && ctest --output-on-failure -j $(JOBS) -R '^TablebaseThreads\.'

test: test-release test-sanitize test-tsan

bench: build/release/build.ninja
	$(CMAKE) --build build/release -j $(JOBS)

clean:
	rm -rf build
