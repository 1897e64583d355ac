# Front door: `make test` sets up a fresh Debian 12 machine, builds and runs every test.
BUILD      ?= build
BUILD_ASAN ?= build-asan
JOBS       ?= $(shell nproc)
PREFIX     ?= /usr/local

# Debian packages needed to build, run and test.
PACKAGES := cmake make g++ pkg-config qt6-base-dev qt6-qpa-plugins libpcap-dev \
            libgtest-dev libgmock-dev fonts-dejavu-core libcap2-bin \
            tcpdump dosbox iproute2 xvfb xauth

.PHONY: all build deps test run install clean

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

run: deps
	$(MAKE) build
	tools/run-demo.sh $(BUILD)

# make install PREFIX=/opt/zorvik SETCAP=1 also grants the capture capability.
install: build
	cmake -S . -B $(BUILD) -DZORVIK_SETCAP=$(if $(SETCAP),ON,OFF)
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD) $(BUILD_ASAN)
