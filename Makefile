# Thin wrappers over CMake. `make run` builds and starts the application; `make test` installs
# what is missing, builds and runs every test.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS = -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache

.PHONY: deps configure build run test monkey asan bench fuzz fuzz-run clean install uninstall

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) > /dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The application refuses to run from outside an installed place, except when told so.
run: build
	BRINDLEX_ANY_LOCATION=1 $(BUILD)/brindlex

# Builds the application alone, in release mode and in a folder of its own, and installs it
# stripped under PREFIX (default ~/.local), refreshing the desktop's MIME and application caches;
# with DESTDIR it stages the files for a package instead and makes no caches. `make uninstall`
# (with the same DESTDIR) removes what the last install put in place, as listed in that folder,
# which `make clean` keeps.
PREFIX ?= $(HOME)/.local
RELEASE_BUILD ?= $(BUILD)-release
install: deps
	@cmake -S . -B $(RELEASE_BUILD) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release > /dev/null
	@cmake --build $(RELEASE_BUILD) -j $(JOBS) --target brindlex
	DESTDIR="$(DESTDIR)" cmake --install $(RELEASE_BUILD) --prefix "$(PREFIX)" --strip

uninstall:
	@DESTDIR="$(DESTDIR)" cmake -DMANIFEST=$(RELEASE_BUILD)/install_manifest.txt -P cmake/Uninstall.cmake

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS) --timeout 600

# The random-input test for longer: `make monkey SEEDS=11,12,13 MINUTES=10` runs each seed for
# about that long (seeds side by side, $(JOBS) at a time); a failing seed prints the shortest list
# of its actions that still fails. With COPIES=2, two copies of the application in processes of
# their own edit one file (each seed then takes two processes).
SEEDS ?= 11,12,13,14
MINUTES ?= 5
COPIES ?= 1
MONKEY_TEST = $(if $(filter 2,$(COPIES)),TwoCopiesMonkey,Monkey)
monkey: build
	@echo "$(SEEDS)" | tr ',' '\n' | xargs -P $(JOBS) -I{} env QT_QPA_PLATFORM=offscreen \
		BX_SCENARIO_FAST=1 BX_MONKEY_SEED={} BX_MONKEY_MINUTES=$(MINUTES) \
		$(BUILD)/tests/test_scenarios --gtest_filter='FixedSeeds/$(MONKEY_TEST).*/0' \
		--gtest_brief=1

# Every test again under AddressSanitizer and UndefinedBehaviorSanitizer; any finding fails it.
# The leak checker's walk of dynamically loaded libraries' thread-local blocks crashes with this
# glibc ("Tracer caught signal 11" at exit), so those blocks are not followed.
asan: deps
	@cmake -S . -B $(BUILD)-asan $(CMAKE_FLAGS) -DBX_SANITIZE=ON > /dev/null
	@cmake --build $(BUILD)-asan -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/support/lsan.supp:print_suppressions=0 \
	ctest --test-dir $(BUILD)-asan --output-on-failure -j $(JOBS) --timeout 1200

bench: deps
	@cmake -S . -B $(BUILD)-bench $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Release -DBX_BENCH=ON > /dev/null
	@cmake --build $(BUILD)-bench -j $(JOBS)
	@echo "benchmarks built in $(BUILD)-bench/bench"

fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz $(CMAKE_FLAGS) -DBX_FUZZ=ON > /dev/null
	@cmake --build $(BUILD)-fuzz -j $(JOBS) --target fuzz_targets
	@echo "fuzz targets built in $(BUILD)-fuzz/fuzz"

# `make fuzz-run FUZZ_TARGET=html FUZZ_SECONDS=600` runs one target built by `make fuzz` on one
# core, with its seed corpus (fuzz/corpus/<target>, never written) and dictionary
# (fuzz/<target>.dict); what it learns goes to $(BUILD)-fuzz/corpus/<target>, crashing inputs
# to $(BUILD)-fuzz/findings/. It builds nothing, so several runs can go side by side. Leaks of
# system libraries listed in tests/support/lsan.supp are not findings. Undefined behaviour stops
# the run, so it leaves its input behind as a crash does. Inputs that expand to megabytes leave
# the sanitizer's heap growing over a run: freed pages go back to the system, and the process may
# grow to 4 GB while any one allocation over 2 GB is still a finding.
FUZZ_SECONDS ?= 600
fuzz-run:
	@test -n "$(FUZZ_TARGET)" || (echo "name a target: FUZZ_TARGET=<name of fuzz/<name>.cpp>"; false)
	@test -x $(BUILD)-fuzz/fuzz/fuzz_$(FUZZ_TARGET) || (echo "build it first: make fuzz"; false)
	@mkdir -p $(BUILD)-fuzz/corpus/$(FUZZ_TARGET) $(BUILD)-fuzz/findings
	QT_QPA_PLATFORM=offscreen \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/support/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	ASAN_OPTIONS=allocator_release_to_os_interval_ms=500 \
	$(BUILD)-fuzz/fuzz/fuzz_$(FUZZ_TARGET) \
		-max_total_time=$(FUZZ_SECONDS) -fork=0 -dict=fuzz/$(FUZZ_TARGET).dict \
		-rss_limit_mb=4096 -malloc_limit_mb=2048 \
		-artifact_prefix=$(BUILD)-fuzz/findings/$(FUZZ_TARGET)- \
		$(BUILD)-fuzz/corpus/$(FUZZ_TARGET) fuzz/corpus/$(FUZZ_TARGET)

clean:
	rm -rf $(BUILD) $(BUILD)-asan $(BUILD)-bench $(BUILD)-fuzz
