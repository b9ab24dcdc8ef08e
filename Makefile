# Set-up and everyday commands. Every target installs what is missing first (Debian 12).
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)

PACKAGES = cmake g++ make pkg-config git libsdl2-dev libx11-dev libgtk-3-dev libgtest-dev libgmock-dev \
           libbenchmark-dev xvfb xauth xdotool x11-utils imagemagick openbox python3-pil \
           clang libclang-rt-14-dev libstb-dev xclip wmctrl python3-xlib desktop-file-utils \
           libspng-dev libturbojpeg0-dev libgif-dev libwebp-dev libtiff-dev libheif-dev \
           libexif-dev webp libtiff-tools libheif-examples libjpeg-turbo-progs strace time
# The Debian package: its dependencies read from the binaries, its check, its manual pages.
PACKAGES += dpkg-dev file lintian man-db
# The include files' MIME type and its check: update-mime-database, gio, xdg-mime.
PACKAGES += shared-mime-info libglib2.0-bin xdg-utils
PACKAGE_BUILD ?= build-package

.PHONY: deps configure build run viewer gallery test test-release test-package package test-asan \
        test-tsan fuzz format clean

deps:
	@missing=$$(for p in $(PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  sudo=$$( [ "$$(id -u)" = 0 ] || echo sudo ); \
	  echo "Installing:" $$missing; \
	  $$sudo apt-get update && DEBIAN_FRONTEND=noninteractive $$sudo apt-get install -y \
	    --no-install-recommends $$missing; \
	fi

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	@if [ -x $(BUILD)/converter/converter ]; then $(BUILD)/converter/converter; \
	else $(BUILD)/viewer/viewer; fi

viewer: build
	$(BUILD)/viewer/viewer

gallery: build
	$(BUILD)/gui/gallery

# Every test but the package's, which builds a package of its own and takes minutes.
test: build
	ctest --test-dir $(BUILD) -LE package --output-on-failure -j$(JOBS)

# The optimised build users and the benchmarks get: built, and its unit tests run.
test-release: deps
	cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release
	cmake --build build-release -j$(JOBS)
	ctest --test-dir build-release -LE 'package|e2e' --output-on-failure -j$(JOBS)

# Builds the package as `make package` does, checks its contents, programs, manual pages and
# desktop entries, and runs lintian on it.
test-package: configure
	ctest --test-dir $(BUILD) -L package --output-on-failure

# The Debian package of the programs, pixeltools_<version>_<arch>.deb, in $(PACKAGE_BUILD).
package: deps
	@deb=$$(packaging/build_deb.sh . $(PACKAGE_BUILD) $(JOBS)) && echo "Built $$deb"

# The whole suite under AddressSanitizer + UndefinedBehaviorSanitizer with leak detection.
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1 \
                LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitizers/lsan.supp \
                UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
test-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DPIXELTOOLS_SANITIZE=ON
	cmake --build build-asan -j$(JOBS)
	$(SANITIZER_ENV) ctest --test-dir build-asan -LE package --output-on-failure -j$(JOBS)

# The tests that run the window thread (headless and in a real window) under ThreadSanitizer.
# setarch -R: the sanitizer's shadow memory needs a fixed address layout.
test-tsan: deps
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIXELTOOLS_TSAN=ON
	cmake --build build-tsan -j$(JOBS) --target window_thread_tests
	TSAN_OPTIONS=halt_on_error=1 setarch -R ctest --test-dir build-tsan -L window-thread \
	    --output-on-failure -j$(JOBS)

# Bounded fuzzing runs of every target (FUZZ_SECONDS each, side by side), built with clang's
# libFuzzer.
FUZZ_SECONDS ?= 60
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DPIXELTOOLS_FUZZ=ON -DBITMAP_FUZZ_SECONDS=$(FUZZ_SECONDS) \
	    -DVIEWER_FUZZ_SECONDS=$(FUZZ_SECONDS)
	cmake --build build-fuzz -j$(JOBS) --target fuzzers
	$(SANITIZER_ENV) ctest --test-dir build-fuzz -L fuzz --output-on-failure -j$(JOBS)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) build-*
