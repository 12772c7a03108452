# The front door: `make` builds, `make check` runs every test (plus a sanitizer pass),
# `make bench` runs the benchmarks, `make demo` shows the driver at work.
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS       ?= 2
CMAKE_ARGS ?=

# Warnings are errors in every checked build, so a local `make check` fails where CI would.
CHECK_ARGS := -DZV_WERROR=ON

.PHONY: all deps configure build check test asan tsan bench demo fuzz package clean

all: deps build

deps:
	@scripts/install-deps

# Every target that builds (and so the demo, the tests and the benchmarks) installs what is
# missing first, also into an already configured folder: the demo and the benchmarks need
# run-time packages (Xvfb, dbus, ImageMagick) that a configured tree does not prove present.
# Order-only, so that the always-run phony target does not make the configuration stale.
$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_ARGS)

configure: $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Every test through CTest, then the whole suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer.
check: deps
	cmake -S . -B $(BUILD) -G Ninja $(CHECK_ARGS) $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)
	$(MAKE) asan

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja $(CHECK_ARGS) -DZV_SANITIZE=address,undefined \
	      -DCMAKE_BUILD_TYPE=Debug -DZV_BUILD_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=1 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/support/dbus/qt-lsan.supp \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# The threaded tests again under ThreadSanitizer. Debian's Qt, GLib and libdbus are not built for
# it; the suppressions name only frames inside those libraries. ThreadSanitizer's own pause at
# process exit is switched off: the end-to-end tests time how quickly the core stops.
tsan: deps
	cmake -S . -B $(TSAN_BUILD) -G Ninja $(CHECK_ARGS) -DZV_SANITIZE=thread \
	      -DCMAKE_BUILD_TYPE=Debug -DZV_BUILD_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(TSAN_BUILD) -j $(JOBS)
	TSAN_OPTIONS=halt_on_error=1:atexit_sleep_ms=0:suppressions=$(CURDIR)/tests/support/dbus/qt-tsan.supp ctest --test-dir $(TSAN_BUILD) --output-on-failure -j $(JOBS)

# The benchmark programs, then how the real core idles (scripts/measure-idle) and how the
# settings application starts and idles (scripts/measure-ui).
bench: deps build
	cmake --build $(BUILD) --target run_benchmarks
	scripts/measure-idle $(BUILD)
	scripts/measure-ui $(BUILD)

# Every libFuzzer target for FUZZ_SECONDS each, with a corpus kept in $(FUZZ_BUILD)/corpus.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DZV_FUZZ=ON -DZV_BUILD_TESTS=OFF \
	      -DZV_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@set -e; for f in $$(find $(FUZZ_BUILD)/fuzz -type f -name 'fuzz_*' -perm -u+x); do \
	    name=$$(basename $$f); mkdir -p $(FUZZ_BUILD)/corpus/$$name; \
	    echo "== $$name ($(FUZZ_SECONDS) s)"; \
	    ASAN_OPTIONS=verify_asan_link_order=0 UBSAN_OPTIONS=halt_on_error=1 $$f -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 $(FUZZ_BUILD)/corpus/$$name; \
	done

# The real core against a simulated pen display: prints what it did and writes
# $(BUILD)/demo/strokes.png (scripts/demo).
demo: build
	scripts/demo $(BUILD)

# The Debian package in $(BUILD)/, linted (scripts/lint-package).
package: build
	scripts/lint-package $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
