# The two commands of the README, each doing its own set-up on a fresh Debian 12 machine.
BUILD      ?= build
TOOLCHAIN  := $(CURDIR)/cmake/mingw-i686.cmake
DIST       ?= dist
TEST_PREFIX = $(abspath $(BUILD))/test-prefix
TEST_PREFIX64 = $(abspath $(BUILD))/test-prefix64
RUN_PREFIX  = $(abspath $(BUILD))/run-prefix
RUN_PREFIX64 = $(abspath $(BUILD))/run-prefix64
BENCH_PREFIX = $(abspath $(BUILD))/bench-prefix
# A prefix's architecture is chosen once, when tools/wine-prefix.sh makes it (WINEARCH=win32 or
# win64); Wine refuses a WINEARCH that differs from an existing prefix's, so it is not set here,
# nor passed on from the caller's environment.
WINE_ENV    = WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unexport WINEARCH
JOBS       ?= $(shell nproc)
MAKEFLAGS  += --no-print-directory

.PHONY: all bootstrap configure build test faults run run64 dist bench screenshot display format clean

all: build

bootstrap:
	@tools/bootstrap.sh

configure: bootstrap
	@cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAIN) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The suite runs twice, each time in a fresh prefix, so that no run sees what an earlier one left:
# in a 32-bit prefix, and in a 64-bit (WoW64) one reporting Windows 10, where the 32-bit program
# runs as on 64-bit Windows and its HKLM\SOFTWARE is the 32-bit view (WOW6432Node). Both run,
# each ending with CTest's summary, even when the first fails; the target fails when either does.
test: build
	@status=0; \
	$(call run_suite,win32,$(TEST_PREFIX)) || status=1; \
	$(call run_suite,win64,$(TEST_PREFIX64)) || status=1; \
	exit $$status

# $(1): the prefix's architecture, $(2): its folder.
run_suite = { echo "== the suite in a fresh $(1) prefix, $(2)"; \
	rm -rf $(2) && WINEARCH=$(1) tools/wine-prefix.sh $(2) --tests && \
	WINEPREFIX=$(2) $(WINE_ENV) TZ=Europe/Berlin \
	  xvfb-run -a -s "-screen 0 1280x1024x24" tools/run-tests.sh $(BUILD); }

# Whether the tests notice the faults of tools/faults.txt, planted one at a time into a scratch copy
# under $(BUILD)/faults (the checkout is left alone); about 25 minutes on two cores. Not part of
# 'make test'. A table row that cannot be planted fails it; a fault no test notices does not.
faults: bootstrap
	@tools/faults.sh $(BUILD)

# The run prefix holds a sample game installation, found as a real one would be. The program starts
# in the build folder: the settings it saves beside itself at close are then read at the next run.
run: display build
	@WINEARCH=win32 tools/wine-prefix.sh $(RUN_PREFIX)
	@WINEPREFIX=$(RUN_PREFIX) $(WINE_ENV) tools/sample-install.sh $(BUILD)/sample/Morrowind
	@cd $(BUILD) && WINEPREFIX=$(RUN_PREFIX) $(WINE_ENV) wine talvessa.exe

# The same in a 64-bit (WoW64) prefix, as on 64-bit Windows: the sample's key is in the 32-bit
# view, where a 32-bit game's installer leaves it. The sample folder and the settings in the build
# folder are the ones `make run` uses.
run64: display build
	@WINEARCH=win64 tools/wine-prefix.sh $(RUN_PREFIX64)
	@WINEPREFIX=$(RUN_PREFIX64) $(WINE_ENV) tools/sample-install.sh $(BUILD)/sample/Morrowind
	@cd $(BUILD) && WINEPREFIX=$(RUN_PREFIX64) $(WINE_ENV) wine talvessa.exe

# The download: the stripped executable, README.txt and LICENSE.txt in a zip, with the SHA-256 sums
# of the zip and the executable. The same commit gives the same bytes in any checkout.
dist: build
	@tools/dist.sh $(BUILD) $(DIST)

# Speed against the platform's floor; not a test, and not part of 'make test'.
bench: build
	@cmake --build $(BUILD) --target talvessa_bench -j $(JOBS)
	@WINEARCH=win32 tools/wine-prefix.sh $(BENCH_PREFIX) --unmanaged
	@WINEPREFIX=$(BENCH_PREFIX) $(WINE_ENV) xvfb-run -a wine $(BUILD)/talvessa_bench.exe

# The README's picture of the program on the sample installation, taken under a private Xvfb.
screenshot: build
	@WINEARCH=win32 tools/wine-prefix.sh $(RUN_PREFIX)
	@WINEPREFIX=$(RUN_PREFIX) $(WINE_ENV) tools/screenshot.sh $(BUILD) docs/talvessa.png

display:
	@if [ -z "$$DISPLAY" ]; then echo "make $(MAKECMDGOALS): no display (DISPLAY is not set); run it in a desktop session" >&2; exit 1; fi

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

# DIST may hold other files, or be the checkout: only the download's own are removed from it, and
# the folder itself only when that leaves it empty.
clean:
	@rm -rf $(BUILD)
	@rm -f $(DIST)/talvessa-*-win32.zip $(DIST)/talvessa.exe $(DIST)/SHA256SUMS
	@rmdir --ignore-fail-on-non-empty $(DIST) 2>/dev/null || true
