# Front door: `make test` sets up a fresh Debian 12 machine, builds and runs every test.
BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_FUZZ ?= build-fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := fuzz_frame_sap fuzz_dosbox_tunnel fuzz_capture_file fuzz_report
JOBS       ?= $(shell nproc)
PREFIX     ?= /usr/local

# Debian packages needed to build, run and test.
PACKAGES := cmake make g++ pkg-config qt6-base-dev qt6-qpa-plugins libpcap-dev \
            libgtest-dev libgmock-dev fonts-dejavu-core libcap2-bin clang libclang-rt-14-dev \
            tcpdump dosbox iproute2 xvfb xauth

.PHONY: all build deps test run install bench soak clean fuzz test-asan

all: build

deps:
	@missing=""; \
	for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q '^install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  SUDO=""; [ "$$(id -u)" -eq 0 ] || SUDO=sudo; \
	  $$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq && \
	  $$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $$missing; \
	fi

$(BUILD)/CMakeCache.txt:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release

build: $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j$(JOBS)

test: deps
	$(MAKE) build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

# Figures, not pass/fail: make bench [CAPTURE=path]
bench: deps
	$(MAKE) build
	$(BUILD)/zorvik-bench $(CAPTURE)

# Memory and throughput over a long storm: make soak [SOAK_DATAGRAMS=n]
SOAK_DATAGRAMS ?= 5000000
soak: deps
	$(MAKE) build
	$(BUILD)/zorvik-soak $(SOAK_DATAGRAMS)

run: deps
	$(MAKE) build
	tools/run-demo.sh $(BUILD)

# make install PREFIX=/opt/zorvik SETCAP=1 also grants the capture capability.
install: build
	cmake -S . -B $(BUILD) -DZORVIK_SETCAP=$(if $(SETCAP),ON,OFF)
	cmake --install $(BUILD) --prefix $(PREFIX)

# Sanitizer build of the whole suite; only third-party leaks are suppressed (tests/lsan.supp).
# -O1 with line tables keeps the build quick and the reports readable.
test-asan: deps
	cmake -S . -B $(BUILD_ASAN) -DCMAKE_BUILD_TYPE=Sanitize -DZORVIK_SANITIZE=ON \
	  -DCMAKE_CXX_FLAGS_SANITIZE="-O1 -g1" -DCMAKE_C_FLAGS_SANITIZE="-O1 -g1"
	cmake --build $(BUILD_ASAN) -j$(JOBS)
	cd $(BUILD_ASAN) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j$(JOBS)

# Each libFuzzer target for FUZZ_SECONDS on seeds from the capture writer,
# JOBS at a time; a crash fails, and its input is kept in build-fuzz/crashes/.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORVIK_FUZZ=ON
	cmake --build $(BUILD_FUZZ) -j$(JOBS) --target $(FUZZ_TARGETS) zorvik_fuzz_seeds
	rm -rf $(BUILD_FUZZ)/corpus-seed && $(BUILD_FUZZ)/zorvik_fuzz_seeds $(BUILD_FUZZ)/corpus-seed
	mkdir -p $(BUILD_FUZZ)/crashes $(addprefix $(BUILD_FUZZ)/corpus/,$(FUZZ_TARGETS))
	@printf '%s\n' $(FUZZ_TARGETS) | xargs -P $(JOBS) -I{} sh -c '\
	  log=$(BUILD_FUZZ)/{}.log; \
	  if $(BUILD_FUZZ)/{} -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
	       -artifact_prefix=$(BUILD_FUZZ)/crashes/{}- \
	       $(BUILD_FUZZ)/corpus/{} $(BUILD_FUZZ)/corpus-seed/{} >"$$log" 2>&1; then \
	    echo "== {}: no findings in $(FUZZ_SECONDS)s, $$(sed -n "s/^stat::number_of_executed_units: *//p" "$$log") runs"; \
	  else \
	    echo "== {}: FAILED (log $$log)"; tail -n 60 "$$log"; exit 1; \
	  fi'

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_FUZZ)
