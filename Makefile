# The two commands: `make run` and `make test`.
BUILD ?= build
GENERATOR := Ninja
JOBS ?= 2
STATE_DIR := $(or $(XDG_STATE_HOME),$(HOME)/.local/state)/vorlane

.PHONY: all deps configure build run test bench fuzz clean

all: build

deps:
	@scripts/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G $(GENERATOR) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	$(BUILD)/bench/vorlane_link_bench
	$(BUILD)/bench/vorlane_jobs_bench

fuzz: deps
	scripts/run-fuzz

run: build
	mkdir -p "$(STATE_DIR)"
	VORLANE_PORT=sim:$(STATE_DIR)/chip.bin $(BUILD)/src/app/vorlane

clean:
	rm -rf $(BUILD)
