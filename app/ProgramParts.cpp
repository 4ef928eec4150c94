#include "ProgramParts.h"

#include "KvApp.h"
#include "MSComm.h"
#include "NTGraph.h"
#include "resources.h"

bool RegisterProgramParts() {
    orva::resources::RegisterAll();
    RegisterGraphControl();
    CMSComm::RegisterControl();
    // theApp lives in a static library; this reference keeps it in the program.
    return AfxGetApp() == &theApp;
}
