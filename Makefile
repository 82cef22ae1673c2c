# The two set-up commands of a fresh Debian machine: `make run` and `make test`.
# Each installs what is missing, configures and builds.

JOBS ?= 2
DATA ?= $(HOME)/Mondeliar
BUILD_RUN := build/release
BUILD_TEST := build/test
BUILD_BENCH := build/bench
BUILD_FUZZ := build/fuzz
FUZZ_SECONDS ?= 20

.PHONY: all deps run test release package check-package bench fuzz screenshots clean

all: run

deps:
	@scripts/install-deps.sh

# Builds the release tree, puts the help pages into the data folder (Help opens its
# doc/index.html) and starts Mondeliar there. Without a display it writes the default
# calendar's pages with mondeliar-cli instead, and says why.
run: deps release
	mkdir -p "$(DATA)/doc"
	cp -R doc/. "$(DATA)/doc/"
	@echo "Calendars are kept in $(DATA)/calendars; the help is in $(DATA)/doc."
	@if [ -n "$${DISPLAY}$${WAYLAND_DISPLAY}" ]; then \
		cd "$(DATA)" && exec "$(CURDIR)/$(BUILD_RUN)/src/app/mondeliar"; \
	else \
		echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): writing the pages with mondeliar-cli instead."; \
		cd "$(DATA)" && "$(CURDIR)/$(BUILD_RUN)/src/cli/mondeliar-cli" write && \
		sed -n 's/^HTMLPATH=\(.*\)\r$$/Pages written to \1/p' "$(DATA)/calendars/default calendar.cfg"; \
	fi

# Every test, built with AddressSanitizer and UndefinedBehaviorSanitizer; then the Debian
# package, built from the release tree and checked.
test: deps
	cmake -S . -B $(BUILD_TEST) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMONDELIAR_SANITIZE=ON >/dev/null
	cmake --build $(BUILD_TEST) -j$(JOBS)
	cd $(BUILD_TEST) && ctest --output-on-failure -j$(JOBS)
	@$(MAKE) --no-print-directory check-package

# The release tree, which `make run` starts and `make package` packs.
release:
	cmake -S . -B $(BUILD_RUN) -DCMAKE_BUILD_TYPE=Release -DMONDELIAR_TESTS=OFF >/dev/null
	cmake --build $(BUILD_RUN) -j$(JOBS)

# mondeliar_<version>_<arch>.deb in the release tree (install it with apt install ./<file>).
package: deps release
	cd $(BUILD_RUN) && cpack -G DEB >/dev/null
	@ls $(BUILD_RUN)/mondeliar_*.deb

# lintian, the unpacked programs, the desktop entry, the AppStream metadata, the manual pages.
check-package: package
	scripts/check-package.sh $(BUILD_RUN)

bench: deps
	cmake -S . -B $(BUILD_BENCH) -DCMAKE_BUILD_TYPE=Release -DMONDELIAR_TESTS=OFF -DMONDELIAR_BENCHMARKS=ON >/dev/null
	cmake --build $(BUILD_BENCH) -j$(JOBS)
	@for b in $(BUILD_BENCH)/bench/*_bench; do echo "== $$b"; "$$b" || exit 1; done

# The libFuzzer targets (clang), each run FUZZ_SECONDS over its seed corpus in tests/fuzz/corpus.
fuzz: deps
	cmake -S . -B $(BUILD_FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
		-DMONDELIAR_TESTS=OFF -DMONDELIAR_FUZZ=ON >/dev/null
	cmake --build $(BUILD_FUZZ) -j$(JOBS)
	tests/fuzz/run-fuzzers.sh $(BUILD_FUZZ) $(FUZZ_SECONDS)

# Pictures of the real windows for the help pages, into doc/images, and of a modern month
# page at desktop and phone width, taken in chromium.
screenshots: deps
	cmake -S . -B $(BUILD_TEST) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMONDELIAR_SANITIZE=ON >/dev/null
	cmake --build $(BUILD_TEST) -j$(JOBS) --target app_screenshots modern_sample_pages
	QT_QPA_PLATFORM=offscreen LC_ALL=C ASAN_OPTIONS=detect_leaks=0 \
		$(BUILD_TEST)/tests/app/app_screenshots doc/images
	rm -rf $(BUILD_TEST)/modern-pages
	LC_ALL=C $(BUILD_TEST)/tests/html/modern_sample_pages $(BUILD_TEST)/modern-pages
	node tests/pagecheck/screenshots.mjs $(BUILD_TEST)/modern-pages/example/February.html \
		doc/images modern-month

clean:
	rm -rf build
