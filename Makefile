# Front door. `make test` is the one command CI runs.
SHELL := /bin/bash
MAKEFLAGS += --no-print-directory
TREES := host win32 win64

.PHONY: all bootstrap configure build test run bench clean format

all: build

bootstrap:
	@scripts/bootstrap

configure: bootstrap
	@for t in $(TREES); do \
	  [ -f build/$$t/CMakeCache.txt ] || cmake --preset $$t >/dev/null || exit 1; \
	done

build: configure
	@for t in $(TREES); do \
	  echo "== build $$t"; cmake --build --preset $$t || exit 1; \
	done

test: build
	@scripts/with-display scripts/test-all $(TREES)

run: bootstrap
	@[ -f build/win32/CMakeCache.txt ] || cmake --preset win32 >/dev/null
	@cmake --build --preset win32 --target Tallivo snapshot
	@scripts/run-calculator

bench: build
	@scripts/with-display scripts/bench-all

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build/host build/win32 build/win64
