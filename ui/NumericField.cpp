#include "NumericField.h"

std::string CheckedNumericText(CWnd& edit, const char* resetText) {
    std::string text = edit.GetWindowText();
    for (char c : text) {
        if (c < '.' || c > '9' || c == '/') {
            text = resetText;
            edit.SetWindowText(text);
            break;
        }
    }
    return text;
}
