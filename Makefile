# Zelmora: set-up, build and test entry points.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
# One fixed seed: a slower machine walks a part of the same search, so CI meets
# what a run here met; set FUZZ_SEED=0 for a new random search.
FUZZ_SEED ?= 1
JOBS ?= $(shell nproc)

.PHONY: deps configure build run install-desktop test tsan fuzz bench clean

deps:
	bash tools/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The application on the example document (a display is needed).
run: build
	$(BUILD)/src/shell/zelmora examples/benzene.zlm

# The desktop entry and the *.zlm document type for the current user.
install-desktop: build
	bash tools/install-desktop.sh $(BUILD)/src/shell/zelmora

# Core and widget tests run headless; OpenGL tests need an X server.
test: build
	@$(MAKE) --no-print-directory tsan
	@$(MAKE) --no-print-directory fuzz
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 -j $(JOBS) -LE gl
	@if [ -n "$$(cd $(BUILD) && ctest -N -L gl | grep -E 'Total Tests: [1-9]')" ]; then \
	  cd $(BUILD) && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure --timeout 300 -L gl; \
	fi

# The job state, the worker thread, the progress dialog and the parallel point
# loop, built apart with the thread sanitizer (only these test programs and
# what they link), with baseline code only: the sanitizer cannot run the
# load-time choice of instruction set.
TSAN_ENV = TSAN_OPTIONS="second_deadlock_stack=1 suppressions=$(CURDIR)/tests/gui/tsan.supp"
tsan: deps
	cmake -S . -B $(TSAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELMORA_BUILD_BENCH=OFF \
	  -DCMAKE_CXX_FLAGS="-fsanitize=thread -DZEL_CLONES=" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread"
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target jobs_tests gui_worker_tests wavefunction_parallel_tests
	$(TSAN_ENV) $(TSAN_BUILD)/tests/jobs/jobs_tests
	$(TSAN_ENV) $(TSAN_BUILD)/tests/wavefunction/wavefunction_parallel_tests
	QT_QPA_PLATFORM=offscreen $(TSAN_ENV) $(TSAN_BUILD)/tests/gui/gui_worker_tests

# The readers of *.wfn files and *.zlm documents under coverage-guided fuzzing
# (libFuzzer, so clang), with AddressSanitizer and UBSan, built apart with only
# the libraries the two targets link: the seed corpus in tests/fuzz/corpus is
# replayed, then each target fuzzes for FUZZ_SECONDS from it. A finding stops
# the build and leaves its input as $(FUZZ_BUILD)/crash-* (or leak-, timeout-).
FUZZ_ENV = UBSAN_OPTIONS=print_stacktrace=1 ASAN_OPTIONS=detect_leaks=1
fuzz: deps
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
	  -DZELMORA_WITH_QT=OFF -DZELMORA_BUILD_TESTS=OFF -DZELMORA_BUILD_BENCH=OFF -DZELMORA_BUILD_FUZZERS=ON \
	  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
	  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer -DZEL_CLONES="
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target wfn_fuzzer document_fuzzer
	@set -e; for t in wfn document; do \
	  rm -rf $(FUZZ_BUILD)/corpus-$$t; mkdir -p $(FUZZ_BUILD)/corpus-$$t; \
	  echo "Replaying the $$t seeds"; \
	  $(FUZZ_ENV) $(FUZZ_BUILD)/tests/fuzz/$${t}_fuzzer -runs=0 -artifact_prefix=$(FUZZ_BUILD)/ tests/fuzz/corpus/$$t; \
	  echo "Fuzzing $$t for $(FUZZ_SECONDS) s"; \
	  if ! $(FUZZ_ENV) $(FUZZ_BUILD)/tests/fuzz/$${t}_fuzzer -max_total_time=$(FUZZ_SECONDS) -seed=$(FUZZ_SEED) -timeout=60 \
	      -print_final_stats=1 -artifact_prefix=$(FUZZ_BUILD)/ $(FUZZ_BUILD)/corpus-$$t tests/fuzz/corpus/$$t \
	      > $(FUZZ_BUILD)/fuzz-$$t.log 2>&1; then \
	    tail -n 80 $(FUZZ_BUILD)/fuzz-$$t.log; exit 1; \
	  fi; \
	  grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units)' $(FUZZ_BUILD)/fuzz-$$t.log; \
	done

bench: build
	$(BUILD)/bench/zelmora_bench

clean:
	rm -rf $(BUILD) $(TSAN_BUILD) $(FUZZ_BUILD)
