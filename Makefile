# Zelmora: set-up, build and test entry points.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
JOBS ?= $(shell nproc)

.PHONY: deps configure build test bench clean

deps:
	bash tools/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Core and widget tests run headless; OpenGL tests need an X server.
test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS) -LE gl
	@if [ -n "$$(cd $(BUILD) && ctest -N -L gl | grep -E 'Total Tests: [1-9]')" ]; then \
	  cd $(BUILD) && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -L gl; \
	fi

bench: build
	$(BUILD)/bench/zelmora_bench

clean:
	rm -rf $(BUILD)
