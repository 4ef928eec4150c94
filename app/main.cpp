// The program's entry: registers its parts, then the framework runs the application object's
// start-up. The program reads no command line and no environment variable of its own.
#include "ProgramParts.h"
#include "afx.h"

int main(int argc, char** argv) {
    if (!RegisterProgramParts()) return 1;
    return AfxWinMain(argc, argv);
}
