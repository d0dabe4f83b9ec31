# Pixadrome: `make run` and `make test` are all a fresh Debian 12 machine needs.

BUILD      ?= build
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
RELEASE    := $(BUILD)/release
TESTBUILD  := $(BUILD)/test
BENCHBUILD := $(BUILD)/bench
FUZZBUILD  := $(BUILD)/fuzz
TSANBUILD  := $(BUILD)/tsan
DEBBUILD   := $(BUILD)/deb
# The test programs of the worker threads (their tests carry the label tsan).
TSAN_TARGETS := pix_processing_tests pix_image_tests pix_database_tests pix_platform_tests pix_ui_tests pix_scan_script_tests pix_scripted_sane pix_dbui_tests pix_sheet_window_tests pix_slide_window_tests
FUZZ_SECONDS ?= 600
CMAKE_GEN  := -G Ninja
PREFIX     ?= /usr/local
DESTDIR    ?=

.PHONY: all deps deps-test deps-bench build run test tsan soak bench fuzz deb deb-check samples demo clean install uninstall

all: build

# Each target installs its own package lists (deps/*.txt) only.
deps:
	@./tools/install-deps.sh run
deps-test:
	@./tools/install-deps.sh run test
deps-bench:
	@./tools/install-deps.sh run bench

build: deps
	cmake -S . -B $(RELEASE) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DPIX_TESTS=OFF -DCMAKE_INSTALL_PREFIX=$(PREFIX)
	cmake --build $(RELEASE) -j $(JOBS)

# The programs, menu entry, file types and icons under PREFIX (staged under
# DESTDIR when given; the desktop's caches are refreshed only without it).
install: build
	DESTDIR=$(DESTDIR) cmake --install $(RELEASE)
	@if [ -z "$(DESTDIR)" ]; then ./tools/desktop-caches.sh $(PREFIX); fi

uninstall:
	@[ -f $(RELEASE)/install_manifest.txt ] || { echo "nothing installed from $(RELEASE)"; exit 1; }
	sed 's|^|$(DESTDIR)|' $(RELEASE)/install_manifest.txt | xargs -d '\n' rm -f
	@if [ -z "$(DESTDIR)" ]; then ./tools/desktop-caches.sh $(PREFIX); fi

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

# A contact sheet of samples/ as web pages and as a page picture.
demo: samples
	@mkdir -p $(BUILD)/demo
	@$(RELEASE)/src/main/pixadrome-cli sheet samples -o $(BUILD)/demo/index.html
	@$(RELEASE)/src/main/pixadrome-cli sheet samples -o $(BUILD)/demo/sheet.png
	@echo
	@echo "A contact sheet of samples/ was written to $(BUILD)/demo/:"
	@echo "  web pages:    $(CURDIR)/$(BUILD)/demo/index.html"
	@echo "  page picture: $$(ls $(CURDIR)/$(BUILD)/demo/sheet*.png | head -n 1)"
	@echo "Open the web pages in a browser (xdg-open $(BUILD)/demo/index.html),"
	@echo "or run 'make run' on a desktop to browse them in the viewer."

# The whole suite under AddressSanitizer and UBSan, then the slide show's
# threads (engine and window) under ThreadSanitizer; `make tsan` runs
# every window's thread tests.
test: deps-test
	cmake -S . -B $(TESTBUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DPIX_SANITIZE=ON -DPIX_FUZZ_REGRESS=ON -DPIX_WERROR=ON
	cmake --build $(TESTBUILD) -j $(JOBS)
	cd $(TESTBUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	cmake -S . -B $(TSANBUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DPIX_TSAN=ON -DPIX_WERROR=ON
	cmake --build $(TSANBUILD) -j $(JOBS) --target pix_processing_tests pix_slide_window_tests
	cd $(TSANBUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -L tsan -R '^tsan_slide_'

# The tests of the worker threads under ThreadSanitizer.
tsan: deps-test
	cmake -S . -B $(TSANBUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DPIX_TSAN=ON -DPIX_WERROR=ON
	cmake --build $(TSANBUILD) -j $(JOBS) --target $(TSAN_TARGETS)
	cd $(TSANBUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -L tsan -j $(JOBS)

# The real windows used for a long while under AddressSanitizer and UBSan:
# no error, no leak, and the heap in use after the last round within 10 %
# of the heap after the first (SOAK_ROUNDS rounds, 10 by default).
soak: deps-test
	cmake -S . -B $(TESTBUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DPIX_SANITIZE=ON -DPIX_FUZZ_REGRESS=ON -DPIX_WERROR=ON
	cmake --build $(TESTBUILD) -j $(JOBS) --target pix_soak
	cd $(TESTBUILD) && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
	    LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ./tests/soak/pix_soak

bench: deps-bench
	cmake -S . -B $(BENCHBUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DPIX_TESTS=OFF -DPIX_GUI=ON -DPIX_BENCH=ON
	cmake --build $(BENCHBUILD) -j $(JOBS)
	$(BENCHBUILD)/bench/pix_bench --benchmark_counters_tabular=true
	$(BENCHBUILD)/bench/pix_scan_stall
	$(BENCHBUILD)/bench/pix_db_pane_bench
	./bench/make_photo_set.sh $(BUILD)/photos 20
	$(BENCHBUILD)/bench/pix_slide_bench $(BUILD)/photos
	$(BENCHBUILD)/bench/pix_image_step_bench $(BUILD)/photos
	./bench/make_photo_set.sh $(BENCHBUILD)/photos
	$(BENCHBUILD)/bench/pix_sheet_bench $(BENCHBUILD)/photos

# Runs every fuzz target for FUZZ_SECONDS seconds on its corpus in fuzz/corpus/.
fuzz: deps-test
	CC=clang CXX=clang++ cmake -S . -B $(FUZZBUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DPIX_TESTS=OFF -DPIX_GUI=OFF -DPIX_FUZZ=ON -DPIX_SANITIZE=ON
	cmake --build $(FUZZBUILD) -j $(JOBS)
	./fuzz/run-fuzzers.sh $(FUZZBUILD)/fuzz $(FUZZ_SECONDS)

# The Debian package, build/pixadrome_<version>_amd64.deb, built with
# Debian's hardening flags and checked with lintian and appstreamcli.
deb:
	@./tools/install-deps.sh run deb
	eval "$$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)" && \
	cmake -S . -B $(DEBBUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DPIX_TESTS=OFF -DPIX_GUI=ON \
	    -DPIX_PACKAGE=ON -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_C_FLAGS="$$CFLAGS $$CPPFLAGS" \
	    -DCMAKE_CXX_FLAGS="$$CXXFLAGS $$CPPFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$$LDFLAGS"
	cmake --build $(DEBBUILD) -j $(JOBS)
	cd $(DEBBUILD) && cpack -G DEB
	cp $(DEBBUILD)/pixadrome_*_amd64.deb $(BUILD)/
	lintian --fail-on error $(BUILD)/pixadrome_*_amd64.deb
	appstreamcli validate --no-net data/package/org.pixadrome.Pixadrome.metainfo.xml

# Installs the package into a fresh Debian 12 tree (debootstrap, kept in
# $(BUILD)/debian12), uses it from /usr/bin, removes it and checks that
# nothing is left behind. Needs root and Debian's package mirror.
deb-check: deb
	./tools/check-deb.sh $(BUILD)/debian12 $(BUILD)/pixadrome_*_amd64.deb

clean:
	rm -rf $(BUILD) samples
