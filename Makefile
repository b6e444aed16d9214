# Orvanel: `make run` and `make test` do everything on a fresh Debian 12 machine.

BUILD     ?= build
GENERATOR ?= Ninja
JOBS      ?= 2
PACKAGES  := cmake ninja-build g++ make pkgconf qt6-base-dev libgl-dev libpugixml-dev \
             libgtest-dev libgmock-dev libbenchmark-dev \
             libclamav-dev clamav clamav-freshclam
SUDO      := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

.PHONY: all deps configure build test run bench screenshot asan clean

all: build

# Installs only what is missing, so that a ready machine starts at once.
deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $$missing; \
	fi

$(BUILD)/build.ninja: CMakeLists.txt
	cmake -S . -B $(BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The panel runs from the build's workspace folder: the program, the language and link
# files and the engine programs side by side.
run: build
	@$(MAKE) --no-print-directory deps PACKAGES="libnotify-bin"
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "make run needs a desktop session: neither DISPLAY nor WAYLAND_DISPLAY is set."; \
	  exit 1; \
	fi
	cd $(BUILD)/workspace && exec ./orvanel

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

screenshot: build
	@$(MAKE) --no-print-directory deps PACKAGES="xvfb xauth imagemagick"
	scripts/screenshot.sh $(BUILD) docs/main-window.png

asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

clean:
	rm -rf $(BUILD)
