// orva-fg-scripted <script>: the program as orva-fg runs it, with the script's lines carried out
// against its main window (see test_script.h). Test-only.
#include <cstdio>

#include "ProgramParts.h"
#include "afx.h"
#include "test_script.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <script>\n", argc > 0 ? argv[0] : "orva-fg-scripted");
        return 2;
    }
    if (!RegisterProgramParts()) return 1;
    orva::app::TestScript script;
    if (!script.Start(argv[1])) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 2;
    }
    char* programArgs[] = {argv[0], nullptr};
    const int code = AfxWinMain(1, programArgs);
    script.Finish();
    return code;
}
