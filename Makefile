# Quick start on a fresh Debian machine: `make play` or `make check`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
PREFIX     ?= /usr/local
# The validators check the installed menu entry, metadata and manual pages; rsvg-convert
# renders the icons. The player's games are kept with SQLite.
PACKAGES   := cmake ninja-build g++ clang-format qt6-base-dev libgl-dev libgtest-dev libgmock-dev \
              libsqlite3-dev fonts-dejavu-core fonts-droid-fallback \
              desktop-file-utils appstream librsvg2-bin man-db
# dpkg-shlibdeps and file work out the package's dependencies; lintian checks the package.
# `make check` installs them too, as its package-test builds and checks a package.
PACKAGE_TOOLS := dpkg-dev file lintian
# The desktop test runs the game on an X server of its own under openbox and drives it from
# outside, as a player would.
DESKTOP_TOOLS := python3 xvfb openbox xdotool x11-utils
SUDO       := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps build play check check-asan bench install uninstall package clean

all: build

# Installs only what is missing. The fallback font carries the Japanese of the file dialogs.
define install_missing
	@missing=""; \
	for p in $(1); do dpkg -s $$p >/dev/null 2>&1 || missing="$$missing $$p"; done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi
endef

deps:
	$(call install_missing,$(PACKAGES))

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

play: build
	$(BUILD)/app/orbelfive

# The checks make every warning an error; configuring again each time lets a build folder
# made by `make build` pick that up.
check:
	$(call install_missing,$(PACKAGES) $(PACKAGE_TOOLS) $(DESKTOP_TOOLS))
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORBEL_WERROR=ON
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

check-asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORBEL_SANITIZE=ON -DORBEL_WERROR=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The search benchmark, the analysis's times, what the review makes of real games, the
# computer's answer with the analysis window open and closed, then what keeping the
# player's games costs and the Statistics window on 10,000 of them (in stores made in the
# build folder).
bench: build
	$(BUILD)/tools/orbelfive-cli bench
	$(BUILD)/tools/orbelfive-cli bench --analysis
	$(BUILD)/tools/orbelfive-cli bench --review
	$(BUILD)/tools/orbelfive-cli bench --response
	cd $(BUILD) && bench/orbel-store-bench
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen app/orbel-statistics-bench

# Into $(DESTDIR)$(PREFIX), with sudo only when that is not writable. The list of installed
# files is kept for uninstall; CMake's own would be overwritten by later installs (the tests').
install: build
	@dest="$(DESTDIR)$(PREFIX)"; while [ ! -e "$$dest" ]; do dest=$$(dirname "$$dest"); done; \
	run=""; [ -w "$$dest" ] || run="$(SUDO)"; \
	$$run env DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)" && \
	sed 's|^|$(DESTDIR)|' $(BUILD)/install_manifest.txt > $(BUILD)/installed-files.txt && \
	$$run rm -f $(BUILD)/install_manifest.txt

# Removes what the last `make install` put in place, and the documentation folder.
uninstall:
	@[ -f $(BUILD)/installed-files.txt ] || { echo "nothing installed from $(BUILD)"; exit 1; }
	@run=""; while read -r f; do [ -w "$$(dirname "$$f")" ] || run="$(SUDO)"; done < $(BUILD)/installed-files.txt; \
	xargs -d '\n' $$run rm -fv -- < $(BUILD)/installed-files.txt && \
	doc=$$(grep -m1 '/doc/orbelfive/' $(BUILD)/installed-files.txt) && \
	$$run rmdir --ignore-fail-on-non-empty "$$(dirname "$$doc")" && \
	rm -f $(BUILD)/installed-files.txt

# A Debian package in $(BUILD)/, for `sudo dpkg -i`, that lintian passes without an error
# or a warning.
package: build
	$(call install_missing,$(PACKAGE_TOOLS))
	cd $(BUILD) && cpack -G DEB
	lintian --fail-on error,warning $$(ls -t $(BUILD)/orbelfive_*.deb | head -n 1)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
