# make run | make test | make test-asan | make qt-windows | make test-windows | make package | make fuzz | make demo | make bench
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?=
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
WINDOWS_BUILD ?= build-windows
PACKAGE_BUILD ?= build-package
PACKAGES ?= $(CURDIR)/packages
# make fuzz: seconds per target; make test runs each target for FUZZ_SMOKE_SECONDS.
FUZZ_SECONDS ?= 240
FUZZ_SMOKE_SECONDS ?= 20

# Leaks and undefined behaviour fail the run; tests/lsan.supp names the few
# leaks inside the system's Qt and font libraries that are not ours.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1 \
  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: all deps configure build test test-asan qt-windows test-windows package fuzz fuzz-build fuzz-smoke run demo bench install clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600
	$(MAKE) fuzz-smoke

# The whole test suite built with AddressSanitizer and UndefinedBehaviorSanitizer.
$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DKALORA_SANITIZE=ON -DKALORA_BUILD_BENCH=OFF $(CMAKE_FLAGS)

test-asan: deps $(ASAN_BUILD)/build.ninja
	$(SANITIZER_ENV) cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && $(SANITIZER_ENV) ctest --output-on-failure -j $(JOBS) --timeout 900

# The static Qt for the Windows desktop program, built once from Debian's qtbase source
# into /var/cache/kalora (about an hour of both cores; a second call returns at once), or
# unpacked in seconds from its archive in ../shared/cache when that is the right one.
qt-windows:
	JOBS=$(JOBS) bash scripts/qt-windows.sh

# The core, kalora-cli and their tests cross-built with MinGW-w64 and run under Wine;
# the static .xlsx writer library is built into /var/cache/kalora on first use (seconds).
test-windows:
	bash scripts/windows.sh test $(WINDOWS_BUILD) $(JOBS) $(CMAKE_FLAGS)

# The Debian package (a build of its own for /usr, where the package installs) and
# the zip of the Windows kalora-cli, both into $(PACKAGES).
$(PACKAGE_BUILD)/build.ninja:
	cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DCMAKE_INSTALL_PREFIX=/usr \
	  -DKALORA_BUILD_TESTS=OFF -DKALORA_BUILD_BENCH=OFF $(CMAKE_FLAGS)

package: deps $(PACKAGE_BUILD)/build.ninja
	cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	cpack --config $(PACKAGE_BUILD)/CPackConfig.cmake -G DEB -B $(PACKAGE_BUILD)/cpack \
	  -D CPACK_OUTPUT_FILE_PREFIX=$(PACKAGES)
	bash scripts/windows.sh package $(WINDOWS_BUILD) $(JOBS) $(PACKAGES) $(CMAKE_FLAGS)
	@ls -l $(PACKAGES)

# The fuzz targets: clang, libFuzzer, sanitizers; no desktop program.
$(FUZZ_BUILD)/build.ninja:
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DKALORA_FUZZ=ON \
	  -DKALORA_BUILD_GUI=OFF -DKALORA_BUILD_TESTS=OFF -DKALORA_BUILD_BENCH=OFF

fuzz-build: deps $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzzers

fuzz: fuzz-build
	bash fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

fuzz-smoke: fuzz-build
	bash fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SMOKE_SECONDS)

run: build
	@if [ -x $(BUILD)/kalora ]; then cd $(BUILD) && ./kalora; \
	else echo "the desktop program is not built yet: $(BUILD)/kalora-cli is"; fi

demo: build
	@bash scripts/demo.sh $(BUILD)

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

install: build
	cmake --install $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(WINDOWS_BUILD) $(PACKAGE_BUILD) $(PACKAGES)
