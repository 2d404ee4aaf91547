# The two commands: `make run` and `make test`.
BUILD ?= build
GENERATOR := Ninja
JOBS ?= 2
STATE_DIR := $(or $(XDG_STATE_HOME),$(HOME)/.local/state)/vorlane

# RelWithDebInfo's optimisation without its debug information, which made a
# cold build of the program a third slower; configure a build dir of your own
# with RelWithDebInfo or Debug to debug.
BUILD_FLAGS := -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG"

.PHONY: all deps configure build run test check test-asan bench fuzz install clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G $(GENERATOR) $(BUILD_FLAGS)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The quick loop: every test but those labelled slow (whole programs run as
# processes), which `make test` runs too.
check: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) -LE slow

# The whole suite again with AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps
	cmake -S . -B $(BUILD)-asan -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Debug -DVORLANE_SANITIZE=ON -DVORLANE_BUILD_BENCH=OFF
	cmake --build $(BUILD)-asan -j $(JOBS)
	cd $(BUILD)-asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

install: build
	cmake --install $(BUILD) --prefix $(or $(PREFIX),/usr/local)

bench: build
	$(BUILD)/bench/vorlane_link_bench
	$(BUILD)/bench/vorlane_jobs_bench
	$(BUILD)/bench/vorlane_cli_bench
	$(BUILD)/bench/vorlane_write_bench
	$(BUILD)/bench/vorlane_at89s52_bench
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/vorlane_paint_bench
	$(BUILD)/bench/vorlane_trace_bench
	$(BUILD)/bench/vorlane_usbasp_bench
	$(BUILD)/bench/vorlane_arduino_bench
	$(BUILD)/bench/vorlane_gpio_bench
	$(BUILD)/bench/vorlane_ftdi_bench

fuzz: deps
	scripts/run-fuzz

# The program alone: the tests and benchmarks wait for `make test` and `make bench`.
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target vorlane
	mkdir -p "$(STATE_DIR)"
	VORLANE_PORT=sim:$(STATE_DIR)/chip.bin $(BUILD)/src/app/vorlane

clean:
	rm -rf $(BUILD) $(BUILD)-asan build-fuzz
