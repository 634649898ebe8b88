# The two commands a newcomer needs: `make run` and `make test`.
BUILD ?= build
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test sanitize bench screenshots package clean \
        windows test-windows screenshots-windows release test-drivers

all: build

deps:
	@./scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	@./scripts/run.sh $(BUILD)

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The suite again under AddressSanitizer and UndefinedBehaviorSanitizer, in a
# debug build without the Qt front end (build-asan/); the first fault stops it.
sanitize: deps
	@cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARN_WERROR=ON \
	  -DTARN_SANITIZE=address,undefined -DTARN_BUILD_GUI=OFF $(CMAKE_FLAGS) >/dev/null
	@cmake --build build-asan -j $(JOBS)
	@cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

bench: build
	@./scripts/bench.sh $(BUILD)

screenshots: build
	@./scripts/screenshots.sh $(BUILD)

package: build
	@cd $(BUILD) && cpack -G DEB

# The Windows program: build-win64/tarn-user-app.exe, tarn-cli.exe and a zip.
windows:
	@./scripts/cross-build.sh

# The Windows programs and suites under wine, against the simulated controller.
test-windows:
	@./scripts/test-windows.sh $(BUILD)

# tarn-cli on real kernel serial drivers in a QEMU guest, the USB adapter
# removed and added again mid-read, mid-write and mid-recording.
test-drivers: build
	@./scripts/install-deps.sh --drivers
	@./scripts/test-drivers.sh $(BUILD)

screenshots-windows:
	@./scripts/screenshots-windows.sh $(BUILD)

# Everything a technician installs, checked, into dist/: the .deb, the
# Windows zip and MSI, the programs' symbols and SHA256SUMS.
release:
	@./scripts/release.sh $(BUILD)

clean:
	rm -rf $(BUILD)
