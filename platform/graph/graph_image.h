// Writes the graph's picture as a Windows bitmap file.
#pragma once

#include <string>

#include "graph_model.h"

namespace orva::graph {

// Draws the model at its picture size (the widget's size) and writes it to `path` (UTF-8) as
// BMP, replacing a file of that name only once the new picture is complete. False when the
// file cannot be written; `error` then gets the system's reason. Callable from any thread while a
// QGuiApplication exists.
bool SaveGraphBitmap(const GraphModel& model, const std::string& path, std::string* error = nullptr);

}  // namespace orva::graph
