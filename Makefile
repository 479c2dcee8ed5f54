# Thin wrapper: CMake builds, the scripts install the toolchain and run Wine.
NATIVE  := build/native
WINDOWS := build/windows
BENCH   := build/bench
FUZZ    := build/fuzz
JOBS    ?= 2
FUZZ_SECONDS ?= 180

.PHONY: test bootstrap native windows test-native test-fuzz test-windows bench fuzz clean

test: bootstrap
	$(MAKE) native windows
	$(MAKE) test-native
	$(MAKE) test-fuzz
	$(MAKE) test-windows

bootstrap:
	scripts/bootstrap

native:
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(NATIVE) -j $(JOBS)

windows:
	cmake -S . -B $(WINDOWS) --no-warn-unused-cli -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	      -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
	cmake --build $(WINDOWS) -j $(JOBS)

test-native:
	ctest --test-dir $(NATIVE) --output-on-failure -j $(JOBS)

test-windows:
	scripts/with-wine ctest --test-dir $(WINDOWS) --output-on-failure

# The BMP reader under AddressSanitizer and UndefinedBehaviorSanitizer: a bounded,
# deterministic sweep in every test run.
test-fuzz:
	cmake -S tests/fuzz -B $(FUZZ)/sweep
	cmake --build $(FUZZ)/sweep -j $(JOBS)
	ASAN_OPTIONS=allocator_may_return_null=1 $(FUZZ)/sweep/bmp_sweep

# Coverage-guided fuzzing of the BMP reader with libFuzzer for FUZZ_SECONDS, from the
# sweep's seeds.
fuzz: bootstrap
	cmake -S tests/fuzz -B $(FUZZ)/libfuzzer -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(FUZZ)/libfuzzer -j $(JOBS)
	mkdir -p $(FUZZ)/corpus
	$(FUZZ)/libfuzzer/bmp_sweep --write-seeds $(FUZZ)/corpus
	ASAN_OPTIONS=allocator_may_return_null=1 $(FUZZ)/libfuzzer/bmp_fuzzer \
	    -max_total_time=$(FUZZ_SECONDS) -artifact_prefix=$(FUZZ)/ $(FUZZ)/corpus

bench: bootstrap
	cmake -S . -B $(BENCH) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BENCH) -j $(JOBS)
	for program in $(BENCH)/bench/*_bench; do $$program || exit 1; done

clean:
	rm -rf $(NATIVE) $(WINDOWS) $(BENCH) $(FUZZ)
