// Who answers message boxes and file dialogs. By default the person at the screen, through Qt's
// own dialogs; a headless driver (the test drivers, never the program itself) installs another.
#pragma once

#include <optional>
#include <string>

class QMessageBox;

namespace afx {

class ModalAnswerer {
public:
    virtual ~ModalAnswerer() = default;
    // The box as it would be shown, its default button set; returns the id of the chosen button.
    virtual int AnswerMessageBox(const QMessageBox& box, const std::string& text) = 0;
    // A file dialog: the path as typed, or nothing for Cancel.
    virtual std::optional<std::string> AnswerFileDialog() = 0;
};

// Any thread; nullptr gives the boxes and dialogs back to the person at the screen.
void SetModalAnswerer(ModalAnswerer* answerer);
ModalAnswerer* CurrentModalAnswerer();

}  // namespace afx
