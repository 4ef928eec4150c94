// Hands every resource of the program to the dialog framework.
#include <mutex>

#include "afx.h"
#include "afx_pictures.h"
#include "pictures.h"
#include "resources.h"
#include "string_table.h"
#include "templates.h"

namespace orva::resources {

namespace {

void RegisterEverything() {
    afx::RegisterTemplate(AboutBoxTemplate());
    afx::RegisterTemplate(MainDialogTemplate());
    afx::RegisterTemplate(AcquisitionPageTemplate());
    afx::RegisterTemplate(TestSetupPageTemplate());
    afx::RegisterTemplate(Page3Template());

    for (StringEntry& e : StringTable()) afx::RegisterString(e.id, std::move(e.text));

    afx::RegisterIcon(kIdiApplication, [] { return ApplicationIcon(32); });
    afx::RegisterIcon(kIdiNotConnected, [] { return NotConnectedIcon(32); });
    afx::RegisterIcon(kIdiConnected, [] { return ConnectedIcon(32); });
    afx::RegisterBitmap(kIdbMouseZoom, [] { return MouseZoomBitmap(); });
    afx::RegisterBitmap(kIdbViewAll, [] { return ViewAllBitmap(); });
}

}  // namespace

// Once per run: registering a picture again would drop the one already handed out to a window
// (the window icon, the connect button's icon), so later calls change nothing.
void RegisterAll() {
    static std::once_flag once;
    std::call_once(once, RegisterEverything);
}

}  // namespace orva::resources
