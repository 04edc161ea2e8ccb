# The two commands: `make run` opens the workbench, `make test` runs every test.
# Both install missing Debian packages first and build incrementally. Without
# make, `./make.sh TARGET` installs it too and then runs the same target.
# A new target that needs the packages depends on `deps` (or on `build`).
BUILD ?= build
TSAN_BUILD ?= build-tsan
JOBS ?= $(shell nproc)

.PHONY: deps configure build run test bench bench-timing tsan clean

deps:
	@scripts/install-deps

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/quarn

test: build
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

clean:
	rm -rf $(BUILD) $(TSAN_BUILD)
