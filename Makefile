# The whole set-up of a fresh Debian 12 machine: `make run` and `make test`.
# Every target installs the Debian packages it needs first (`make deps`).

BUILD_DIR ?= build/release
SAN_DIR   ?= build
CMAKE_ARGS ?=
JOBS      ?= $(shell nproc)

PREFIX    ?= /usr/local

# Packages for building, testing, benchmarking and packaging (desktop-file-utils and appstream
# validate the installed desktop files; dpkg-dev and file serve CPack's dpkg-shlibdeps). `dpkg-query` decides what is missing, so a
# machine that has everything runs no apt-get at all.
PACKAGES := g++ cmake ninja-build pkg-config qt6-base-dev qt6-qpa-plugins fonts-dejavu-core libgl-dev \
            libgtest-dev libgmock-dev \
            iproute2 procps xvfb xauth \
            desktop-file-utils appstream dpkg-dev file
FUZZ_PACKAGES := clang libclang-rt-14-dev

SUDO := $(if $(filter 0,$(shell id -u)),,sudo)

define install_missing
	@missing=$$(for p in $(1); do \
	    dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || echo $$p; \
	  done); \
	if [ -n "$$missing" ]; then \
	  echo "Installing:" $$missing; \
	  $(SUDO) apt-get update -qq && \
	  DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi
endef

.PHONY: deps fuzz-deps configure build build-run run test bench check-sanitize fuzz format clean report \
        install uninstall deb

deps:
	$(call install_missing,$(PACKAGES))

fuzz-deps: deps
	$(call install_missing,$(FUZZ_PACKAGES))

configure: deps
	cmake -S . -B $(BUILD_DIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

# Only what `make run` starts: the window (with its help pages) and the report, no tests.
build-run: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target harborlight harborlight-report

# Starts the window; on a machine without a display the headless report stands in.
run: build-run
	@if [ -x $(BUILD_DIR)/src/app/harborlight ] && [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	  exec $(BUILD_DIR)/src/app/harborlight; \
	else \
	  exec $(BUILD_DIR)/tools/harborlight-report; \
	fi

report: build-run
	$(BUILD_DIR)/tools/harborlight-report

# Installs the programs, help pages, menu entry, AppStream data and icons under $(PREFIX)
# (DESTDIR is honoured); `make uninstall` removes exactly the files of the last install.
install: build
	cmake --install $(BUILD_DIR) --prefix $(PREFIX)
	@# Kept apart: every other install from this tree (the tests' too) rewrites the manifest.
	cp $(BUILD_DIR)/install_manifest.txt $(BUILD_DIR)/installed-files.txt

uninstall:
	@test -f $(BUILD_DIR)/installed-files.txt || { echo "nothing installed from $(BUILD_DIR)"; exit 1; }
	xargs -d '\n' rm -f < $(BUILD_DIR)/installed-files.txt
	@# The program's own folders, once empty; the standard ones (bin/, share/icons/ ...) stay.
	-@sed -n 's#/help/[^/]*$$##p' $(BUILD_DIR)/installed-files.txt | sort -u | while read -r d; do \
	  rmdir "$$d/help/images" "$$d/help" "$$d" 2>/dev/null; done; true
	rm -f $(BUILD_DIR)/installed-files.txt

# The Debian package $(BUILD_DIR)/harborlight_<version>_<arch>.deb; install it with
# `sudo apt install ./$(BUILD_DIR)/harborlight_*.deb`.
deb: build
	cd $(BUILD_DIR) && cpack -G DEB
	@ls -1 $(BUILD_DIR)/harborlight_*.deb

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) --timeout 600

# The report against ss, then the window's refresh against the report.
bench: build
	bench/run.sh $(BUILD_DIR)
	@if [ -x $(BUILD_DIR)/bench/gui_bench ]; then bench/gui_run.sh $(BUILD_DIR); fi
	@if [ -x $(BUILD_DIR)/bench/sort_bench ]; then $(BUILD_DIR)/bench/sort_bench; fi
	@if [ -x $(BUILD_DIR)/bench/header_bench ]; then $(BUILD_DIR)/bench/header_bench; fi

# Every test under AddressSanitizer + UndefinedBehaviorSanitizer (the window's tests too, among
# them closing the window while a refresh fills the list), and the worker tests under
# ThreadSanitizer. Not part of `make test`: two more builds, about ten minutes on two cores.
check-sanitize: deps
	cmake -S . -B $(SAN_DIR)/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHL_SANITIZE=address -DHL_BUILD_GUI=ON
	cmake --build $(SAN_DIR)/asan -j $(JOBS)
	cd $(SAN_DIR)/asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	cmake -S . -B $(SAN_DIR)/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DHL_SANITIZE=thread -DHL_BUILD_GUI=OFF
	cmake --build $(SAN_DIR)/tsan -j $(JOBS)
	cd $(SAN_DIR)/tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j $(JOBS) -R '^(Worker|Refresh|Kill|Lock)'

fuzz: fuzz-deps
	CC=clang CXX=clang++ cmake -S . -B $(SAN_DIR)/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DHL_BUILD_FUZZ=ON -DHL_BUILD_GUI=OFF -DHL_BUILD_TESTS=OFF
	cmake --build $(SAN_DIR)/fuzz -j $(JOBS)
	@set -e; for f in $(SAN_DIR)/fuzz/tests/fuzz/fuzz_*; do \
	  name=$$(basename $$f); corpus=tests/fuzz/corpus/$${name#fuzz_}; \
	  work=$$(mktemp -d); cp -r $$corpus/. $$work/ 2>/dev/null || true; \
	  echo "== $$name (60 s)"; $$f -max_total_time=60 -timeout=5 $$work; rm -rf $$work; \
	done

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
