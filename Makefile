# SPDX-License-Identifier: GPL-3.0-or-later
# The two commands: `make run` opens the workbench, `make test` runs every test
# (the suite, then under ThreadSanitizer and AddressSanitizer, then a minute of
# each fuzzer); `make unit` runs the suite alone.
# Both install missing Debian packages first and build incrementally. Without
# make, `./make.sh TARGET` installs it too and then runs the same target.
# A new target that needs the packages depends on `deps` (or on `build`).
# SKIP_DEPS=1 never calls apt (packagers, machines without root): the packages
# must then be there already.
BUILD ?= build
TSAN_BUILD ?= build-tsan
JOBS ?= $(shell nproc)

.PHONY: deps configure build run test unit bench bench-timing tsan asan fuzz deb deb-check clean

deps:
ifeq ($(SKIP_DEPS),)
	@scripts/install-deps
endif

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/quarn

test: unit tsan asan fuzz

unit: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300

bench: build
	scripts/run-bench $(BUILD)

# Click-train timing through a private PulseAudio sink, beside chuck's.
bench-timing: build
	scripts/timing-bench $(BUILD)

# The diagnostics, interpreter and engine tests under ThreadSanitizer.
TSAN_ENV = TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
tsan: deps
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUARN_TSAN=ON -DQUARN_BUILD_BENCH=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target support_tests interp_tests audio_tests
	$(TSAN_ENV) $(TSAN_BUILD)/tests/support_tests
	$(TSAN_ENV) $(TSAN_BUILD)/tests/interp_tests
	$(TSAN_ENV) $(TSAN_BUILD)/tests/audio_tests

# Every test under AddressSanitizer + UndefinedBehaviorSanitizer; any undefined
# behaviour fails. Only the audio libraries' own leaks are suppressed.
ASAN_BUILD ?= build-asan
ASAN_ENV = ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1" \
  LSAN_OPTIONS="suppressions=$(CURDIR)/tests/sanitizers/leaks.supp:print_suppressions=0" \
  UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
	  -DQUARN_ASAN=ON -DQUARN_BUILD_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && $(ASAN_ENV) ctest --output-on-failure -j $(JOBS) --timeout 600

# The libFuzzer harnesses (clang), each run for FUZZ_SECONDS on a copy of its
# seed corpus; a crash, leak, timeout or mismatch fails and leaves the input in
# $(FUZZ_BUILD)/findings.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DQUARN_FUZZ=ON -DQUARN_BUILD_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_frontend fuzz_run
	tests/fuzz/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The Debian package, built apart with Debian's hardening flags and checked by
# lintian: $(DEB_BUILD)/quarn_VERSION_ARCH.deb.
DEB_BUILD ?= build-deb
deb: deps
	scripts/make-deb $(DEB_BUILD)

# The package on a fresh minbase bookworm chroot: installed with apt alone, run,
# rendered, its window shown under Xvfb, removed. Needs root, debootstrap and
# Debian's mirror; says why and passes when it cannot make the chroot.
deb-check: deb
	tests/packaging/deb_check.sh $(DEB_BUILD) || [ $$? -eq 77 ]

clean:
	rm -rf $(BUILD) $(TSAN_BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(DEB_BUILD)
