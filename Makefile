# The two entry points: `make run` sets up, builds and starts the program on a
# demo folder; `make test` sets up, builds and runs every test: the Linux build under
# CTest, the sanitizer build's unit, platform and widget tests, the fuzz targets for a
# few seconds each (`make fuzz` alone), the Windows build of the core under Wine
# (`make wintest` alone), then the cafe PC booted in QEMU (`make vmtest` alone). A skipped test fails it unless tests/allowed-skips.txt gives
# the reason. `make package` builds the Debian package.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: deps build run test fuzz wintest vmtest bench package clean

deps:
	scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -G Ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	scripts/run-demo $(BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -LE "^vm$$" -O ctest.log
	scripts/check-skips $(BUILD)/ctest.log
	JOBS=$(JOBS) scripts/sanitizer-tests $(BUILD)
	$(MAKE) --no-print-directory fuzz
	$(MAKE) --no-print-directory wintest
	$(MAKE) --no-print-directory vmtest

fuzz: deps
	JOBS=$(JOBS) scripts/fuzz-tests $(BUILD)

# The cafe PC booted in QEMU (tests/vm/), alone: the emulator takes both cores.
vmtest: build
	cd $(BUILD) && ctest --output-on-failure -L "^vm$$" -O ctest-vm.log
	scripts/check-skips $(BUILD)/ctest-vm.log

# The Windows build also needs Debian's sources of SQLCipher and OpenSSL, fetched once
# into the build folder.
wintest:
	scripts/install-deps --windows-sources $(BUILD)
	JOBS=$(JOBS) scripts/wine-tests $(BUILD)

# The Debian package, quorvel_<version>_amd64.deb in the build folder.
package: build
	cd $(BUILD) && cpack -G DEB

bench: build
	scripts/run-benchmarks $(BUILD)

clean:
	rm -rf $(BUILD)
