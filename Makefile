# Pixadrome: `make run` and `make test` are all a fresh Debian 12 machine needs.

BUILD      ?= build
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
RELEASE    := $(BUILD)/release
TESTBUILD  := $(BUILD)/test
BENCHBUILD := $(BUILD)/bench
FUZZBUILD  := $(BUILD)/fuzz
FUZZ_SECONDS ?= 600
CMAKE_GEN  := -G Ninja

.PHONY: all deps build run test bench fuzz fuzz-regress samples demo clean

all: build

deps:
	@./tools/install-deps.sh

build: deps
	cmake -S . -B $(RELEASE) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DPIX_TESTS=OFF -DPIX_WERROR=OFF
	cmake --build $(RELEASE) -j $(JOBS)

samples: build
	$(RELEASE)/src/main/pixadrome-cli samples samples

# The viewer on the user's pictures folder, or on samples/; without a
# display, the headless demo.
run: samples
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
	    pics=$$(xdg-user-dir PICTURES 2>/dev/null || true); \
	    if [ -z "$$pics" ] || [ "$$pics" = "$$HOME" ] || [ ! -d "$$pics" ]; then pics=samples; fi; \
	    exec $(RELEASE)/src/main/pixadrome "$$pics"; \
	else \
	    echo "No display: running the headless demo instead."; \
	    $(MAKE) --no-print-directory demo; \
	fi

demo: samples
	@mkdir -p $(BUILD)/demo
	@for f in samples/*; do \
	    out=$(BUILD)/demo/$$(basename "$$f").bmp; \
	    $(RELEASE)/src/main/pixadrome-cli convert "$$f" "$$out" || exit 1; \
	done
	@$(RELEASE)/src/main/pixadrome-cli info samples/* $(BUILD)/demo/*
	@echo "Demo pictures written to $(BUILD)/demo/"

test: deps
	cmake -S . -B $(TESTBUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DPIX_SANITIZE=ON -DPIX_FUZZ_REGRESS=ON
	cmake --build $(TESTBUILD) -j $(JOBS)
	cd $(TESTBUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BENCHBUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DPIX_TESTS=OFF -DPIX_GUI=OFF -DPIX_BENCH=ON -DPIX_WERROR=OFF
	cmake --build $(BENCHBUILD) -j $(JOBS)
	$(BENCHBUILD)/bench/pix_bench --benchmark_counters_tabular=true

# Runs every fuzz target for FUZZ_SECONDS seconds on its corpus in fuzz/corpus/.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(FUZZBUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DPIX_TESTS=OFF -DPIX_GUI=OFF -DPIX_FUZZ=ON -DPIX_SANITIZE=ON
	cmake --build $(FUZZBUILD) -j $(JOBS)
	./fuzz/run-fuzzers.sh $(FUZZBUILD)/fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) samples
