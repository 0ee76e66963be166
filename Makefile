# The two commands of the README, each doing its own set-up on a fresh Debian 12 machine.
BUILD      ?= build
TOOLCHAIN  := $(CURDIR)/cmake/mingw-i686.cmake
TEST_PREFIX = $(abspath $(BUILD))/test-prefix
RUN_PREFIX  = $(abspath $(BUILD))/run-prefix
BENCH_PREFIX = $(abspath $(BUILD))/bench-prefix
WINE_ENV    = WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
JOBS       ?= $(shell nproc)
MAKEFLAGS  += --no-print-directory

.PHONY: all bootstrap configure build test faults run bench screenshot display format clean

all: build

bootstrap:
	@tools/bootstrap.sh

configure: bootstrap
	@cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAIN) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# A fresh prefix for every run of the tests, so that no run sees what an earlier one left.
test: build
	@rm -rf $(TEST_PREFIX)
	@tools/wine-prefix.sh $(TEST_PREFIX) --unmanaged
	@WINEPREFIX=$(TEST_PREFIX) $(WINE_ENV) TZ=Europe/Berlin \
	  xvfb-run -a -s "-screen 0 1280x1024x24" tools/run-tests.sh $(BUILD)

# Whether the tests notice the faults of tools/faults.txt, planted one at a time into a scratch copy
# under $(BUILD)/faults (the checkout is left alone); 10 to 15 minutes on two cores. Not part of
# 'make test'. A table row that cannot be planted fails it; a fault no test notices does not.
faults: bootstrap
	@tools/faults.sh $(BUILD)

# The run prefix holds a sample game installation, found as a real one would be. The program starts
# in the build folder: the settings it saves beside itself at close are then read at the next run.
run: display build
	@tools/wine-prefix.sh $(RUN_PREFIX)
	@WINEPREFIX=$(RUN_PREFIX) $(WINE_ENV) tools/sample-install.sh $(BUILD)/sample/Morrowind
	@cd $(BUILD) && WINEPREFIX=$(RUN_PREFIX) $(WINE_ENV) wine talvessa.exe

# Speed against the platform's floor; not a test, and not part of 'make test'.
bench: build
	@cmake --build $(BUILD) --target talvessa_bench -j $(JOBS)
	@tools/wine-prefix.sh $(BENCH_PREFIX) --unmanaged
	@WINEPREFIX=$(BENCH_PREFIX) $(WINE_ENV) xvfb-run -a wine $(BUILD)/talvessa_bench.exe

# The README's picture of the program on the sample installation, taken under a private Xvfb.
screenshot: build
	@tools/wine-prefix.sh $(RUN_PREFIX)
	@WINEPREFIX=$(RUN_PREFIX) $(WINE_ENV) tools/screenshot.sh $(BUILD) docs/talvessa.png

display:
	@if [ -z "$$DISPLAY" ]; then echo "make run: no display (DISPLAY is not set); run it in a desktop session" >&2; exit 1; fi

format:
	@clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	@rm -rf $(BUILD)
