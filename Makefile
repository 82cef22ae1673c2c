# The two set-up commands of a fresh Debian machine: `make run` and `make test`.
# Each installs what is missing, configures and builds.

JOBS ?= 2
DATA ?= $(HOME)/Mondeliar
BUILD_RUN := build/release
BUILD_TEST := build/test
BUILD_BENCH := build/bench
BUILD_FUZZ := build/fuzz
FUZZ_SECONDS ?= 20

.PHONY: all deps run test bench fuzz clean

all: run

deps:
	@scripts/install-deps.sh

# Until the windows exist, Mondeliar starts headless: it writes the calendar's pages.
run: deps
	cmake -S . -B $(BUILD_RUN) -DCMAKE_BUILD_TYPE=Release -DMONDELIAR_TESTS=OFF >/dev/null
	cmake --build $(BUILD_RUN) -j$(JOBS)
	mkdir -p "$(DATA)"
	cd "$(DATA)" && "$(CURDIR)/$(BUILD_RUN)/src/cli/mondeliar-cli" write
	@echo "Calendars are kept in $(DATA)/calendars."
	@sed -n 's/^HTMLPATH=\(.*\)\r$$/Pages written to \1/p' "$(DATA)/calendars/default calendar.cfg"

# Every test, built with AddressSanitizer and UndefinedBehaviorSanitizer.
test: deps
	cmake -S . -B $(BUILD_TEST) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMONDELIAR_SANITIZE=ON >/dev/null
	cmake --build $(BUILD_TEST) -j$(JOBS)
	cd $(BUILD_TEST) && ctest --output-on-failure -j$(JOBS)

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

clean:
	rm -rf build
