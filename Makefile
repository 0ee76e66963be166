# The two commands of the README, each doing its own set-up on a fresh Debian 12 machine.
BUILD      ?= build
TOOLCHAIN  := $(CURDIR)/cmake/mingw-i686.cmake
# The same sources built for x86_64, a test build only: where the machine cannot run 32-bit
# programs (tools/can-run-i386.sh tells), the commands that run the program run this build in a
# 64-bit prefix instead, and say so. The release is always the 32-bit talvessa.exe.
BUILD64    ?= $(BUILD)/x86_64
TOOLCHAIN64 := $(CURDIR)/cmake/mingw-x86_64.cmake
NOT_RUN     = the 32-bit talvessa.exe was built but not run;
DIST       ?= dist
TEST_PREFIX = $(abspath $(BUILD))/test-prefix
TEST_PREFIX64 = $(abspath $(BUILD))/test-prefix64
RUN_PREFIX  = $(abspath $(BUILD))/run-prefix
RUN_PREFIX64 = $(abspath $(BUILD))/run-prefix64
BENCH_PREFIX = $(abspath $(BUILD))/bench-prefix
X64_TEST_PREFIX = $(abspath $(BUILD64))/test-prefix
X64_RUN_PREFIX = $(abspath $(BUILD64))/run-prefix
X64_BENCH_PREFIX = $(abspath $(BUILD64))/bench-prefix
# A prefix's architecture is chosen once, when tools/wine-prefix.sh makes it (WINEARCH=win32 or
# win64); Wine refuses a WINEARCH that differs from an existing prefix's, so it is not set here,
# nor passed on from the caller's environment.
WINE_ENV    = WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The 64-bit build runs under Wine's 64-bit loader, started directly: Debian's wine commands start
# the 32-bit loader wherever it is installed, even for a 64-bit prefix, and fail where 32-bit
# programs cannot run. Exported, WINELOADER is also the loader of the processes Wine starts itself.
WINE64_ENV  = WINELOADER=/usr/lib/wine/wine64
unexport WINEARCH WINELOADER
JOBS       ?= $(shell nproc)
MAKEFLAGS  += --no-print-directory

.PHONY: all bootstrap configure build build64 test faults fuzz run run64 dist bench screenshot display format clean

all: build

bootstrap:
	@tools/bootstrap.sh

configure: bootstrap
	@cmake -S . -B $(BUILD) -DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAIN) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

build64: bootstrap
	@cmake -S . -B $(BUILD64) -DCMAKE_TOOLCHAIN_FILE=$(TOOLCHAIN64) -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(BUILD64) -j $(JOBS)

# Each run of the suite has a fresh prefix, so that no run sees what an earlier one left. Where
# 32-bit programs run, the 32-bit build runs in a 32-bit prefix and in a 64-bit (WoW64) one
# reporting Windows 10, where it runs as on 64-bit Windows and its HKLM\SOFTWARE is the 32-bit view
# (WOW6432Node); then, everywhere, the 64-bit build in a 64-bit prefix. Every run ends with CTest's
# summary, even after one that failed; the target fails when any does.
test: build build64
	@status=0; \
	if tools/can-run-i386.sh "make test" "$(NOT_RUN) the suite runs on the 64-bit build"; then \
	  $(call run_suite,the 32-bit build,win32,$(TEST_PREFIX),$(BUILD)) || status=1; \
	  $(call run_suite,the 32-bit build,win64,$(TEST_PREFIX64),$(BUILD)) || status=1; \
	fi; \
	$(call run_suite,the 64-bit build,win64,$(X64_TEST_PREFIX),$(BUILD64),$(WINE64_ENV)) || status=1; \
	exit $$status

# $(1): what runs, $(2): the prefix's architecture, $(3): its folder, $(4): the build, $(5): the
# loader's setting for the 64-bit build.
run_suite = { echo "== $(1) in a fresh $(2) prefix, $(3)"; \
	rm -rf $(3) && WINEARCH=$(2) $(5) tools/wine-prefix.sh $(3) --tests && \
	WINEPREFIX=$(3) $(5) $(WINE_ENV) TZ=Europe/Berlin \
	  xvfb-run -a -s "-screen 0 1280x1024x24" tools/run-tests.sh $(4); }

# Whether the tests notice the faults of tools/faults.txt, planted one at a time into a scratch copy
# under $(BUILD)/faults (the checkout is left alone); about 110 minutes on two cores. Not part of
# 'make test'. A table row that cannot be planted fails it; a fault no test notices does not.
faults: bootstrap
	@if tools/can-run-i386.sh "make faults" "the faults are planted in the 64-bit build, not the 32-bit one"; then \
	  tools/faults.sh $(BUILD); \
	else $(WINE64_ENV) tools/faults.sh --x86_64 $(BUILD); fi

# The header reader under libFuzzer, built natively with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, for FUZZ_SECONDS; the corpus starts from headers that the target
# writes itself, and grows in $(BUILD)/fuzz/corpus from one run to the next. Not part of 'make test'.
FUZZ_SECONDS ?= 180
fuzz:
	@tools/bootstrap.sh fuzz
	@mkdir -p $(BUILD)/fuzz/corpus
	@clang++ -std=c++17 -g -O1 -Wall -Wextra -fsanitize=fuzzer,address,undefined \
	  -fno-sanitize-recover=all -I. fuzz/header_fuzz.cpp catalogue/header.cpp \
	  -o $(BUILD)/fuzz/header_fuzz
	@cd $(BUILD)/fuzz && TALVESSA_FUZZ_SEEDS=corpus ./header_fuzz corpus \
	  -max_total_time=$(FUZZ_SECONDS) -max_len=262200 -print_final_stats=1

# The run prefix holds a sample game installation, found as a real one would be. The program starts
# in its build folder: the settings it saves beside itself at close are then read at the next run.
# Where 32-bit programs cannot run, the 64-bit build shows the same sample in a 64-bit prefix, with
# the key in the 64-bit view that it reads.
run: display build
	@if tools/can-run-i386.sh "make run" "$(NOT_RUN) the sample runs on the 64-bit build"; then \
	  $(call run_sample,win32,$(RUN_PREFIX),$(BUILD),32); \
	else $(MAKE) build64 && $(call run_sample,win64,$(X64_RUN_PREFIX),$(BUILD64),64,$(WINE64_ENV)); fi

# The 32-bit build in a 64-bit (WoW64) prefix, as on 64-bit Windows: the sample's key is in the
# 32-bit view, where a 32-bit game's installer leaves it. The sample folder and the settings in the
# build folder are the ones `make run` uses.
run64: display build
	@if tools/can-run-i386.sh "make run64" "$(NOT_RUN) the sample runs on the 64-bit build"; then \
	  $(call run_sample,win64,$(RUN_PREFIX64),$(BUILD),32); \
	else $(MAKE) build64 && $(call run_sample,win64,$(X64_RUN_PREFIX),$(BUILD64),64,$(WINE64_ENV)); fi

# $(1): the prefix's architecture, $(2): its folder, $(3): the build, $(4): the registry view the
# program reads, $(5): the loader's setting for the 64-bit build.
run_sample = WINEARCH=$(1) $(5) tools/wine-prefix.sh $(2) && \
	WINEPREFIX=$(2) $(5) $(WINE_ENV) tools/sample-install.sh $(abspath $(BUILD))/sample/Morrowind $(4) && \
	cd $(3) && WINEPREFIX=$(2) $(5) $(WINE_ENV) $(CURDIR)/tools/wine-run.sh talvessa.exe

# The download: the stripped executable, README.txt and LICENSE.txt in a zip, with the SHA-256 sums
# of the zip and the executable. The same commit gives the same bytes in any checkout.
dist: build
	@tools/dist.sh $(BUILD) $(DIST)

# Speed against the platform's floor; not a test, and not part of 'make test'.
bench: build
	@if tools/can-run-i386.sh "make bench" "$(NOT_RUN) the benchmark runs on the 64-bit build"; then \
	  $(call run_bench,win32,$(BENCH_PREFIX),$(BUILD)); \
	else $(MAKE) build64 && $(call run_bench,win64,$(X64_BENCH_PREFIX),$(BUILD64),$(WINE64_ENV)); fi

# $(1): the prefix's architecture, $(2): its folder, $(3): the build, $(4): the loader's setting.
run_bench = cmake --build $(3) --target talvessa_bench -j $(JOBS) && \
	WINEARCH=$(1) $(4) tools/wine-prefix.sh $(2) --unmanaged && \
	WINEPREFIX=$(2) $(4) $(WINE_ENV) xvfb-run -a tools/wine-run.sh $(3)/talvessa_bench.exe

# The README's picture of the program on the sample installation, taken under a private Xvfb.
screenshot: build
	@if tools/can-run-i386.sh "make screenshot" "$(NOT_RUN) the picture is of the 64-bit build"; then \
	  WINEARCH=win32 tools/wine-prefix.sh $(RUN_PREFIX) && \
	  WINEPREFIX=$(RUN_PREFIX) $(WINE_ENV) tools/screenshot.sh $(BUILD) docs/talvessa.png 32; \
	else $(MAKE) build64 && WINEARCH=win64 $(WINE64_ENV) tools/wine-prefix.sh $(X64_RUN_PREFIX) && \
	  WINEPREFIX=$(X64_RUN_PREFIX) $(WINE64_ENV) $(WINE_ENV) \
	    tools/screenshot.sh $(BUILD64) docs/talvessa.png 64; fi

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
