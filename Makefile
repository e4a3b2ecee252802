# Thin wrappers over the CMake presets; see README.md.
EXAMPLE ?= examples/employees.txt

.PHONY: all build run test test-clang test-sanitize coverage fuzz fuzz-ci bench package format clean

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

# Lists the lines of src/ that no test runs (gcov; build/coverage/uncovered.txt).
coverage:
	tests/coverage.sh

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

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf build
