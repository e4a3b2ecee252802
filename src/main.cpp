#include "io/driver.h"

int main(int argc, char** argv) { return runRaeval(argc, argv); }
