# Front door. `make test` is the one command CI runs.
SHELL := /bin/bash
MAKEFLAGS += --no-print-directory
TREES := host win32 win64

.PHONY: all bootstrap configure build test run bench package clean format

all: build

bootstrap:
	@scripts/bootstrap

configure: bootstrap
	@for t in $(TREES); do \
	  [ -f build/$$t/CMakeCache.txt ] || cmake --preset $$t >/dev/null || exit 1; \
	done

build: configure
	@for t in $(TREES); do \
	  echo "== build $$t"; start=$$SECONDS; cmake --build --preset $$t || exit 1; \
	  echo "== built $$t in $$((SECONDS - start)) s"; \
	done

test: build
	@scripts/with-display scripts/test-all $(TREES)

# The product is the 32-bit build; without 32-bit Wine the 64-bit one runs.
run: bootstrap
	@tree=win32; \
	if ! dpkg-query -W -f='$${Status}' wine32:i386 2>/dev/null | grep -q 'ok installed'; then \
	  echo "run: 32-bit Wine is not installed; running the 64-bit build"; tree=win64; \
	fi; \
	[ -f build/$$tree/CMakeCache.txt ] || cmake --preset $$tree >/dev/null || exit 1; \
	cmake --build --preset $$tree --target Tallivo snapshot || exit 1; \
	TALLIVO_TREE=$$tree scripts/run-calculator

bench: build
	@scripts/with-display scripts/bench-all

# A release of the product in build/release, signed for upload in build/dist:
# KEY=maker.private.pem (or env TALLIVO_SIGNING_KEY), NEXT_KEY=next.public.pem
# while rotating, VERSION=a.b.c.d; UNSIGNED=1 for a package without a key.
package:
	@scripts/package $(if $(KEY),--key "$(KEY)") $(if $(NEXT_KEY),--next-key "$(NEXT_KEY)") \
	  $(if $(VERSION),--version "$(VERSION)") $(if $(filter 1,$(UNSIGNED)),--unsigned)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build/host build/win32 build/win64 build/release build/dist
