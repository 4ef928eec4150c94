#include "graph_control.h"

#include <QCoreApplication>
#include <QThread>
#include <QWidget>

#include "afx_pictures.h"
#include "afx_wnd.h"
#include "graph_model.h"
#include "graph_widget.h"

namespace orva::graph {

void RegisterGraphComponent(const std::string& classId) {
    afx::RegisterControlFactory(classId, [](QWidget* parent) -> QWidget* { return new GraphWidget(parent); });
}

std::shared_ptr<GraphModel> ComponentModel(const CWnd& window) {
    if (auto* widget = dynamic_cast<GraphWidget*>(window.GetWidget())) return widget->model();
    return nullptr;
}

void TakeWindowSize(GraphModel& model, const CWnd& window) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) return;
    if (QWidget* w = window.GetWidget()) model.SetPictureSize(w->width(), w->height());
}

}  // namespace orva::graph
