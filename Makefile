# The two commands of the README: `make run` and `make test`. Everything else supports them.
BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
JOBS ?= 2

.PHONY: all deps configure build test run sanitize bench format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD_DIR) -G Ninja >/dev/null

build: configure
	@cmake --build $(BUILD_DIR) -j $(JOBS)

# Tests that need a desktop carry the label "desktop" and run one at a time inside a private
# headless session (they share one keyboard focus); all others run without a display.
test: build
	ctest --test-dir $(BUILD_DIR) --output-on-failure -j $(JOBS) -LE desktop
	scripts/headless-session ctest --test-dir $(BUILD_DIR) --output-on-failure -L desktop

run: build
	@echo "Zuna Trep's palette is not built yet: the program arrives with the palette."

# The core again, built with AddressSanitizer and UndefinedBehaviorSanitizer; any report fails.
sanitize: deps
	@cmake -S . -B $(SANITIZE_DIR) -G Ninja -DZUNA_CORE_ONLY=ON -DZUNA_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_DIR) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=1 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	ctest --test-dir $(SANITIZE_DIR) --output-on-failure -j $(JOBS)

bench: build
	$(BUILD_DIR)/bench/zuna_core_bench
	scripts/headless-session $(BUILD_DIR)/bench/paste/zuna_paste_bench

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR)
