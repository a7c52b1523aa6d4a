// The program's entry point (see U_ProgramMain.h).
#include "U_ProgramMain.h"

int main(int argc, char** argv) { return ProgramMain(argc, argv); }
