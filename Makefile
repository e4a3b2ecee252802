# Thin wrappers over the CMake presets; see README.md.
EXAMPLE ?= examples/employees.txt
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all build deps run test test-clang test-sanitize tidy coverage fuzz fuzz-ci bench package windows test-windows format clean web test-web

all: build

build:
	cmake --preset default
	cmake --build --preset default -j$(JOBS)

# The Debian packages the tests need, installed where missing (as root).
deps:
	tools/install-deps.sh test

# Builds raeval and runs it on a bundled example, then shows the output file.
# Needs only CMake, Ninja and a C++ compiler.
run: build
	./build/default/raeval $(EXAMPLE) build/example.out
	cat build/example.out

# Builds and runs every test: unit tests, end-to-end cases, documentation,
# layering and package checks.
test: deps build
	ctest --preset default -j$(JOBS)

test-clang:
	tools/install-deps.sh test sanitize
	cmake --preset clang
	cmake --build --preset clang -j$(JOBS)
	ctest --preset clang -j$(JOBS)

test-sanitize:
	tools/install-deps.sh test sanitize
	cmake --preset sanitize
	cmake --build --preset sanitize -j$(JOBS)
	ctest --preset sanitize -j$(JOBS)

# clang-tidy over every source file, with the checks of .clang-tidy; any
# finding fails.
tidy: build
	tools/install-deps.sh tidy
	clang-tidy -p build/default --quiet --warnings-as-errors='*' $$(git ls-files 'src/*.cpp')

# Lists the lines of src/ that no test runs (gcov; build/coverage/uncovered.txt).
coverage:
	tests/coverage.sh

# Fuzzes the whole program in-process (clang's libFuzzer); FUZZ_SECONDS long.
FUZZ_SECONDS ?= 60
fuzz:
	tools/install-deps.sh sanitize
	tests/fuzz/run.sh $(FUZZ_SECONDS)

# The bounded fuzz run that CI makes on the seed corpus.
fuzz-ci:
	tools/install-deps.sh sanitize
	tests/fuzz/run.sh 60

# raeval against sqlite3 on generated tables; prints the comparison table.
bench: build
	bench/run.sh

# The Debian package, under build/default.
package: build
	cd build/default && cpack -G DEB

# raeval.exe for 64-bit Windows, cross-compiled with MinGW-w64, and its zip
# (raeval.exe, raeval-check.exe, README.md, LICENSE, examples), all under build/windows.
windows:
	tools/install-deps.sh windows
	cmake --preset windows
	cmake --build --preset windows -j$(JOBS)
	cd build/windows && cpack -G ZIP

# The end-to-end cases and the documentation's examples on raeval.exe under
# wine64 (the cases of tests/windows/skip.txt left out).
test-windows: build windows
	tests/windows/run_suite.sh build/windows build/default/tests/e2e_runner .

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build

# The page and cli.mjs, in build/web (emscripten).
web:
	tools/install-deps.sh web
	cmake --preset web
	cmake --build --preset web -j$(JOBS)

# The page's tests: its engine against the command line's bytes under node,
# and the page in headless Chromium (playwright-core from package-lock.json).
# Here a missing tool fails them instead of skipping them.
test-web: build web
	npm ci --no-audit --no-fund
	RAEVAL_WEB_REQUIRED=1 ctest --preset default -L web
