// The graph component as a custom control of the dialog framework: the control made for a class
// id, and the model behind a window that holds one.
#pragma once

#include <memory>
#include <string>

class CWnd;

namespace orva::graph {

class GraphModel;

// Registers the graph component as the control made for this class id; called at start-up,
// before a dialog with such a control is created.
void RegisterGraphComponent(const std::string& classId);
// The model of the graph component behind the window; nullptr when the window is not one.
std::shared_ptr<GraphModel> ComponentModel(const CWnd& window);
// Gives the model the window's current size for its picture. Only the UI thread knows it (even
// before the window was first shown); elsewhere the model keeps the size it has.
void TakeWindowSize(GraphModel& model, const CWnd& window);

}  // namespace orva::graph
