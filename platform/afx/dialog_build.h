// Internal: dialog units, template fonts and the building of a dialog's controls.
#pragma once

#include <QFont>

#include "afx_types.h"
#include "dlg_template.h"

class CDialog;
class QWidget;

namespace afx::detail {

struct BaseUnits {
    int cx = 0;  // average character width
    int cy = 0;  // character height
};

QString MapFontFace(const std::string& face);
QFont TemplateFont(const DialogTemplate& t);
BaseUnits MeasureBaseUnits(const QFont& font);
// x = du * cx / 4, y = du * cy / 8, rounded.
CRect ToPixels(const BaseUnits& b, int x, int y, int cx, int cy);
void BuildControls(CDialog& dlg, const DialogTemplate& t, QWidget* host, const BaseUnits& units);

}  // namespace afx::detail
