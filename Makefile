# Set-up and everyday commands. Every target installs what is missing first (Debian 12).
BUILD ?= build
JOBS ?= $(shell nproc)

PACKAGES = cmake g++ make pkg-config libsdl2-dev libgtk-3-dev libgtest-dev libgmock-dev \
           libbenchmark-dev xvfb xauth xdotool x11-utils imagemagick openbox python3-pil \
           clang libclang-rt-14-dev libstb-dev

.PHONY: deps configure build run viewer gallery test test-asan test-tsan fuzz bench format clean

deps:
	@missing=$$(for p in $(PACKAGES); do dpkg -s $$p >/dev/null 2>&1 || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	  sudo=$$( [ "$$(id -u)" = 0 ] || echo sudo ); \
	  echo "Installing:" $$missing; \
	  $$sudo apt-get update && DEBIAN_FRONTEND=noninteractive $$sudo apt-get install -y $$missing; \
	fi

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j$(JOBS)

run: build
	@if [ -x $(BUILD)/converter/converter ]; then $(BUILD)/converter/converter; \
	else $(BUILD)/viewer/viewer; fi

viewer: build
	$(BUILD)/viewer/viewer

gallery: build
	$(BUILD)/gui/gallery

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j$(JOBS)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) build-*
