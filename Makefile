# The two commands of the README: `make run` and `make test`. Everything else supports them.
BUILD_DIR ?= build
SANITIZE_DIR ?= build-sanitize
FUZZ_DIR ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS ?= 2

.PHONY: all deps configure build test run sanitize fuzz bench package format format-check clean

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

# Starts the palette on your display; without one, inside a headless session with a picture.
run: build
	@scripts/run-palette $(BUILD_DIR)/src/app/zuna-trep

# The core again, built with AddressSanitizer and UndefinedBehaviorSanitizer; any report fails.
sanitize: deps
	@cmake -S . -B $(SANITIZE_DIR) -G Ninja -DZUNA_CORE_ONLY=ON -DZUNA_SANITIZE=ON >/dev/null
	@cmake --build $(SANITIZE_DIR) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=1 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
	ctest --test-dir $(SANITIZE_DIR) --output-on-failure -j $(JOBS)

# The file readers under libFuzzer, from the seed corpus in fuzz/corpus; any finding fails.
fuzz: deps
	@cmake -S . -B $(FUZZ_DIR) -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DZUNA_CORE_ONLY=ON \
		-DZUNA_FUZZ=ON -DZUNA_BENCHMARKS=OFF >/dev/null
	@cmake --build $(FUZZ_DIR) -j $(JOBS) --target zuna_file_fuzzer
	@rm -rf $(FUZZ_DIR)/corpus && mkdir -p $(FUZZ_DIR)/corpus $(FUZZ_DIR)/findings
	@cp fuzz/corpus/* $(FUZZ_DIR)/corpus/
	$(FUZZ_DIR)/fuzz/zuna_file_fuzzer -max_total_time=$(FUZZ_SECONDS) -max_len=65536 \
		-artifact_prefix=$(FUZZ_DIR)/findings/ -print_final_stats=1 -print_funcs=0 $(FUZZ_DIR)/corpus

bench: build
	$(BUILD_DIR)/bench/zuna_core_bench
	$(BUILD_DIR)/bench/store/zuna_store_bench
	$(BUILD_DIR)/bench/ui/zuna_ui_bench
	scripts/headless-session $(BUILD_DIR)/bench/paste/zuna_paste_bench
	ZUNA_WAYLAND_INPUT=$(abspath $(BUILD_DIR))/tests/e2e/zuna_wayland_input \
		scripts/wayland-session --compositor sway $(BUILD_DIR)/bench/paste/zuna_paste_bench
	scripts/wayland-session --compositor mutter $(BUILD_DIR)/bench/paste/zuna_paste_bench
	ZUNA_WAYLAND_INPUT=$(abspath $(BUILD_DIR))/tests/e2e/zuna_wayland_input \
	ZUNA_KWIN_FAKE_INPUT=$(abspath $(BUILD_DIR))/bench/paste/zuna_paste_bench:$(abspath $(BUILD_DIR))/tests/e2e/zuna_wayland_input \
		scripts/wayland-session --compositor kwin $(BUILD_DIR)/bench/paste/zuna_paste_bench
	scripts/headless-session $(BUILD_DIR)/bench/app/zuna_startup_bench

# The Debian package, $(BUILD_DIR)/zuna-trep_<version>_amd64.deb, made by CPack from the install
# rules; the version is project()'s in CMakeLists.txt.
package: build
	@cmake --build $(BUILD_DIR) --target package

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Every C++ file as .clang-format has it; CI checks this with Debian 12's clang-format 14.
format-check: deps
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

clean:
	rm -rf $(BUILD_DIR) $(SANITIZE_DIR) $(FUZZ_DIR)
