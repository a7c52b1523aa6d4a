// The program as the tests of two copies racing start it: the same program,
// whose saves hold at their stages with marks in the folder that
// ZINTAVOR_SAVE_PAUSE names (see SavePauseMarks.h). Built only with the tests;
// the program itself has no such switch.
#include <cstdlib>

#include "SavePauseMarks.h"
#include "U_ProgramMain.h"

int main(int argc, char** argv) {
    if (const char* dir = std::getenv("ZINTAVOR_SAVE_PAUSE"); dir && *dir) savepause::HoldSavesIn(dir);
    return ProgramMain(argc, argv);
}
