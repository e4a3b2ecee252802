# Thin wrappers over the CMake presets; see README.md.
EXAMPLE ?= examples/employees.txt

.PHONY: all build run test test-clang test-sanitize fuzz fuzz-ci bench package windows test-windows format clean

all: build

build:
	cmake --preset default
	cmake --build --preset default -j2

# Builds raeval and runs it on a bundled example, then shows the output file.
run: build
	./build/default/raeval $(EXAMPLE) build/example.out
	cat build/example.out

# Builds and runs every test: unit tests and end-to-end cases.
test: build
	ctest --preset default

test-clang:
	cmake --preset clang
	cmake --build --preset clang -j2
	ctest --preset clang

test-sanitize:
	cmake --preset sanitize
	cmake --build --preset sanitize -j2
	ctest --preset sanitize

# Fuzzes the whole program in-process (clang's libFuzzer); FUZZ_SECONDS long.
FUZZ_SECONDS ?= 60
fuzz:
	tests/fuzz/run.sh $(FUZZ_SECONDS)

# The bounded fuzz run that CI makes on the seed corpus.
fuzz-ci:
	tests/fuzz/run.sh 60

# raeval against sqlite3 on generated tables; prints the comparison table.
bench: build
	bench/run.sh

# The Debian package, under build/default.
package: build
	cd build/default && cpack -G DEB

# raeval.exe for 64-bit Windows, cross-compiled with MinGW-w64, and its zip
# (raeval.exe, README.md, LICENSE, examples), both under build/windows.
windows:
	cmake --preset windows
	cmake --build --preset windows -j2
	cd build/windows && cpack -G ZIP

# The end-to-end cases and the documentation's examples on raeval.exe under
# wine64 (the cases of tests/windows/skip.txt left out).
test-windows: build windows
	tests/windows/run_suite.sh build/windows build/default/tests/e2e_runner .

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
