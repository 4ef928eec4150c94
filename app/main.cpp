// The program's entry: the framework runs the application object's start-up.
#include "KvApp.h"

int main(int argc, char** argv) {
    // theApp lives in a static library; naming it here keeps it in the program.
    static_cast<void>(&theApp);
    return AfxWinMain(argc, argv);
}
