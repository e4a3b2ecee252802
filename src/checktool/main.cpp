#include "checktool/run_check.h"

int main(int argc, char** argv) { return runRaevalCheck(argc, argv); }
