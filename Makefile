# Orvanel: `make run`, `make test` and `make package` do everything on a fresh Debian 12
# machine.

BUILD     ?= build
GENERATOR ?= Ninja
JOBS      ?= 2
PACKAGES  := cmake ninja-build g++ make pkgconf qt6-base-dev libgl-dev libpugixml-dev \
             libgtest-dev libgmock-dev libbenchmark-dev libfontconfig-dev fonts-liberation2 qt6-translations-l10n \
             libclamav-dev clamav clamav-freshclam \
             nftables libnftables-dev libnftnl-dev nlohmann-json3-dev \
             desktop-file-utils appstream dpkg-dev file
SUDO      := $(shell [ "$$(id -u)" -eq 0 ] || echo sudo)

.PHONY: all deps configure build test run package icons bench screenshot asan fuzz clean

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
# files and the engine programs side by side. Its configuration folder is one of the
# build's own, so that its autostart entry never reaches the user's real session.
run: build
	@$(MAKE) --no-print-directory deps PACKAGES="libnotify-bin"
	@if [ -z "$$DISPLAY" ] && [ -z "$$WAYLAND_DISPLAY" ]; then \
	  echo "make run needs a desktop session: neither DISPLAY nor WAYLAND_DISPLAY is set."; \
	  exit 1; \
	fi
	mkdir -p $(BUILD)/run-config
	cd $(BUILD)/workspace && XDG_CONFIG_HOME="$(abspath $(BUILD))/run-config" exec ./orvanel

# The Debian package of the installed program: $(BUILD)/orvanel_<version>_<arch>.deb.
package: build
	cd $(BUILD) && cpack -G DEB
	@ls -1 $(BUILD)/orvanel_*.deb

# The icon's fixed sizes, rendered from dist/orvanel.svg (kept in git).
icons:
	@$(MAKE) --no-print-directory deps PACKAGES="librsvg2-bin"
	for s in 16 22 24 32 48 64 128 256; do \
	  rsvg-convert -w $$s -h $$s dist/orvanel.svg -o dist/icons/orvanel-$$s.png; \
	done

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

screenshot: build
	@$(MAKE) --no-print-directory deps PACKAGES="xvfb xauth imagemagick xdotool"
	scripts/screenshots.sh $(BUILD) docs/screenshots docs/main-window.png

asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

# Every parser of outside input under libFuzzer, FUZZ_SECONDS each (build-fuzz/, clang).
# Fails when any of them crashes, leaks or hangs; the table shows each one's executions.
FUZZ_SECONDS ?= 60
fuzz:
	@$(MAKE) --no-print-directory deps PACKAGES="$(PACKAGES) clang libclang-rt-14-dev"
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS)
	scripts/fuzz.sh build-fuzz $(FUZZ_SECONDS)

# Only a build folder goes, never a user's workspace: the folder must hold a CMake cache,
# and must neither be nor hold the installed panel's workspace.
clean:
	@build="$$(realpath -m -- '$(BUILD)')"; \
	data="$${XDG_DATA_HOME:-$$HOME/.local/share}"; \
	workspace="$$(realpath -m -- "$$data/orvanel")"; \
	if [ ! -e "$$build" ]; then exit 0; fi; \
	if [ ! -f "$$build/CMakeCache.txt" ]; then \
	  echo "make clean: $$build holds no CMakeCache.txt, so it is not a build folder; left as it is."; \
	  exit 1; \
	fi; \
	case "$$workspace/" in "$$build"/*) \
	  echo "make clean: $$build holds the workspace $$workspace; left as it is."; exit 1;; \
	esac; \
	rm -rf -- "$$build"
