# Thin wrapper: CMake builds, the scripts install the toolchain and run Wine.
NATIVE  := build/native
WINDOWS := build/windows
BENCH   := build/bench
FUZZ    := build/fuzz
JOBS    ?= 2

.PHONY: test bootstrap native windows test-native test-windows bench fuzz clean

test: bootstrap
	$(MAKE) native windows
	$(MAKE) test-native
	$(MAKE) test-windows

bootstrap:
	scripts/bootstrap

native:
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(NATIVE) -j $(JOBS)

windows:
	cmake -S . -B $(WINDOWS) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	      -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
	cmake --build $(WINDOWS) -j $(JOBS)

test-native:
	ctest --test-dir $(NATIVE) --output-on-failure -j $(JOBS)

test-windows:
	scripts/with-wine ctest --test-dir $(WINDOWS) --output-on-failure

bench: bootstrap
	cmake -S . -B $(BENCH) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BENCH) -j $(JOBS)
	for program in $(BENCH)/bench/*_bench; do $$program || exit 1; done

clean:
	rm -rf $(NATIVE) $(WINDOWS) $(BENCH) $(FUZZ)
