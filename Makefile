# The two commands of the README: `make run` and `make test`. Both install what is
# missing first (scripts/setup), then configure and build into build/.
BUILD   ?= build
FUZZDIR ?= $(BUILD)/fuzz
JOBS    ?= $(shell nproc)
CMAKE_FLAGS ?=
ifeq ($(CI),true)
CMAKE_FLAGS += -DPARVANE_WERROR=ON
endif

.PHONY: all setup configure build fuzz-build run test bench package clean

all: build

setup:
	@scripts/setup

configure: setup
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DPARVANE_FUZZ_DIR=$(abspath $(FUZZDIR)) $(CMAKE_FLAGS) > $(BUILD).configure.log 2>&1 \
	    || { cat $(BUILD).configure.log; exit 1; }

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

fuzz-build: setup
	@cmake -S . -B $(FUZZDIR) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DPARVANE_FUZZ_ONLY=ON \
	    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" > $(FUZZDIR).configure.log 2>&1 \
	    || { cat $(FUZZDIR).configure.log; exit 1; }
	@cmake --build $(FUZZDIR) -j $(JOBS)

run: build
	@scripts/run-sample $(BUILD)

test: build fuzz-build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 900

bench: build
	@scripts/bench $(BUILD)

# The Debian package, parvane_<version>_<arch>.deb, in $(BUILD)/.
package: build
	@cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD) out
