// The program's entry: registers the resources and the two hosted components, then the
// framework runs the application object's start-up.
#include "KvApp.h"
#include "MSComm.h"
#include "NTGraph.h"
#include "resources.h"
#include "test_script.h"

int main(int argc, char** argv) {
    orva::resources::RegisterAll();
    RegisterGraphControl();
    CMSComm::RegisterControl();
    // theApp lives in a static library; this reference keeps it in the program.
    if (AfxGetApp() != &theApp) return 1;
    // Off unless ORVA_FG_TEST_SCRIPT names a script (tests and the start-up benchmark).
    orva::app::TestScript script;
    script.StartFromEnvironment();
    const int code = AfxWinMain(argc, argv);
    script.Stop();
    return code;
}
