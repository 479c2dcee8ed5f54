# Thin wrapper: CMake builds, the scripts install the toolchain and run Wine.
NATIVE   := build/native
WINDOWS32 := build/windows32
WINDOWS64 := build/windows64
SANITIZE := build/sanitize
BENCH    := build/bench
FUZZ     := build/fuzz
JOBS     ?= 2
FUZZ_SECONDS ?= 180

.PHONY: run test bootstrap native windows windows32 windows64 saver test-native \
        test-sanitize test-fuzz test-windows test-dist dist bench bench-saver soak fuzz clean

# Starts the saver full screen under Wine: on this machine's display when it has one,
# else on a private one, with screenshots in build/screenshots.
run: bootstrap saver
	scripts/run-saver

test: bootstrap
	$(MAKE) native windows
	$(MAKE) test-native
	$(MAKE) test-deb
	$(MAKE) test-sanitize
	$(MAKE) test-fuzz
	$(MAKE) test-dist
	$(MAKE) test-windows
	$(MAKE) test-monitors

bootstrap:
	scripts/bootstrap

native:
	scripts/bootstrap native
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(NATIVE) -j $(JOBS)

windows: windows32 windows64

# Only the two programs, without the tests.
saver:
	cmake -S . -B $(WINDOWS32) --no-warn-unused-cli -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	      -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
	cmake --build $(WINDOWS32) -j $(JOBS) --target lakeglass_scr
	cmake -S . -B $(WINDOWS64) --no-warn-unused-cli -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	      -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
	cmake --build $(WINDOWS64) -j $(JOBS) --target lakeglass_scr

# Lakeglass for 32-bit Windows.
windows32:
	cmake -S . -B $(WINDOWS32) --no-warn-unused-cli -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	      -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
	cmake --build $(WINDOWS32) -j $(JOBS)

# Lakeglass for 64-bit Windows.
windows64:
	cmake -S . -B $(WINDOWS64) --no-warn-unused-cli -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	      -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
	cmake --build $(WINDOWS64) -j $(JOBS)

test-native:
	ctest --test-dir $(NATIVE) --output-on-failure -j $(JOBS)

# Every native test again under AddressSanitizer and UndefinedBehaviorSanitizer.
test-sanitize:
	scripts/bootstrap native
	cmake -S . -B $(SANITIZE) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLAKEGLASS_SANITIZE=ON
	cmake --build $(SANITIZE) -j $(JOBS)
	ASAN_OPTIONS=allocator_may_return_null=1 ctest --test-dir $(SANITIZE) --output-on-failure -j $(JOBS)

test-windows:
	scripts/test-windows

# The saver under Wine (both builds where they run) and the Linux program on a display of
# three monitors (Xorg's dummy driver, which needs root); skipped, and said so, where that
# display cannot start.
.PHONY: test-monitors
test-monitors:
	@if scripts/with-monitors true; then \
	  tests/monitors/run-monitor-tests && tests/monitors/run-linux-monitor-tests; \
	else \
	  test $$? -eq 77 && echo "test-monitors: skipped: this machine cannot start a display of three monitors"; \
	fi

# build/dist: the two setup programs, Lakeglass-<version>.zip with both programs, an install
# note and the licence, and SHA256SUMS.
dist: bootstrap saver
	scripts/make-dist

# The setups are also installed, run, upgraded and removed under Wine, each in a fresh prefix.
test-dist: dist
	scripts/check-dist
	tests/setup/run-setup-tests

# Every reader of outside bytes (pictures, the byte cursor, stored settings, both command
# lines) under AddressSanitizer and UndefinedBehaviorSanitizer: a bounded, deterministic
# sweep of each fuzz target that tests/fuzz/CMakeLists.txt lists, in every test run.
test-fuzz:
	scripts/bootstrap native
	cmake -S tests/fuzz -B $(FUZZ)/sweep
	cmake --build $(FUZZ)/sweep -j $(JOBS)
	@for sweep in $(FUZZ)/sweep/*_sweep; do \
	  ASAN_OPTIONS=allocator_may_return_null=1 $$sweep || exit 1; \
	done

# Coverage-guided fuzzing of each target with libFuzzer for FUZZ_SECONDS, from its sweep's
# seeds; every target runs, and any that found a fault fails the run at the end, its input
# left in $(FUZZ)/<target>-crash-*.
fuzz:
	scripts/bootstrap native
	cmake -S tests/fuzz -B $(FUZZ)/libfuzzer -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(FUZZ)/libfuzzer -j $(JOBS)
	@failed=; for fuzzer in $(FUZZ)/libfuzzer/*_fuzzer; do \
	  target=$$(basename $$fuzzer _fuzzer) && \
	  mkdir -p $(FUZZ)/corpus/$$target && \
	  $(FUZZ)/libfuzzer/$${target}_sweep --write-seeds $(FUZZ)/corpus/$$target && \
	  echo "fuzz: $$target for $(FUZZ_SECONDS) s" && \
	  ASAN_OPTIONS=allocator_may_return_null=1 $$fuzzer \
	      -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	      -artifact_prefix=$(FUZZ)/$$target- $(FUZZ)/corpus/$$target || failed="$$failed $$target"; \
	done; \
	if [ -n "$$failed" ]; then echo "fuzz: faults found by:$$failed"; exit 1; fi

bench:
	scripts/bootstrap native
	cmake -S . -B $(BENCH) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BENCH) -j $(JOBS)
	for program in $(BENCH)/bench/*_bench; do $$program || exit 1; done

# The whole saver's CPU time per frame under Wine at 1024x768 and 1920x1080, then the
# time of each part of a frame up to 3840x2160.
bench-saver: bootstrap windows
	scripts/bench-saver

# The Linux program beside XScreenSaver's ripples hack, full screen on Xvfb at 1024x768 and
# 1920x1080: CPU per frame of each and of the X server, and their ratio.
.PHONY: bench-linux install-linux
bench-linux:
	scripts/bootstrap native
	scripts/bench-linux

# The Linux program where XScreenSaver looks for its hacks, with its settings-dialog file.
# Debian's XScreenSaver looks under /usr: make install-linux PREFIX=/usr
PREFIX ?= /usr/local
install-linux: native
	install -D -m 755 $(NATIVE)/lakeglass $(DESTDIR)$(PREFIX)/libexec/xscreensaver/lakeglass
	install -D -m 644 x11/lakeglass.xml $(DESTDIR)$(PREFIX)/share/xscreensaver/config/lakeglass.xml

# build/dist/lakeglass_<version>_amd64.deb: the Linux program, its settings file, desktop
# entry and manual page as a Debian package, built with Debian's tools from packaging/deb.
.PHONY: deb test-deb
deb:
	scripts/bootstrap native
	scripts/make-deb

# The package checked by lintian, desktop-file-validate and man, installed into and purged
# from a throwaway root, and its program run there as the screen-saver daemons run it.
test-deb: deb
	tests/deb/check-deb

# Ten minutes of the saver with its handles and memory recorded each minute.
soak: bootstrap windows64
	scripts/with-wine /usr/lib/wine/wine64 $(WINDOWS64)/tests/saver_soak.exe $(WINDOWS64)/Lakeglass.scr 10

# Plants each one-line fault of tests/mutants/mutants.list in a copy of the tree under
# build/mutants and runs the native tests there: every fault must be caught. Not part of
# make test, since it rebuilds once per fault.
.PHONY: mutants
mutants:
	scripts/bootstrap native
	tests/mutants/run-mutants

clean:
	rm -rf $(NATIVE) $(WINDOWS32) $(WINDOWS64) $(SANITIZE) $(BENCH) $(FUZZ)
