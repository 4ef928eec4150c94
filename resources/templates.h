// The program's dialog templates, built as the framework's template records.
#pragma once

#include "dlg_template.h"

namespace orva::resources {

afx::DialogTemplate AboutBoxTemplate();         // 100
afx::DialogTemplate MainDialogTemplate();       // 102
afx::DialogTemplate AcquisitionPageTemplate();  // 146
afx::DialogTemplate TestSetupPageTemplate();    // 147
afx::DialogTemplate Page3Template();            // 148

}  // namespace orva::resources
