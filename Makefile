# Zelmora: set-up, build and test entry points.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
TSAN_BUILD ?= build-tsan
JOBS ?= $(shell nproc)

.PHONY: deps configure build run install-desktop test tsan bench clean

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

bench: build
	$(BUILD)/bench/zelmora_bench

clean:
	rm -rf $(BUILD) $(TSAN_BUILD)
