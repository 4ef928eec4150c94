#include "NTGraph.h"

#include <stdexcept>

#include "graph_control.h"
#include "graph_image.h"
#include "graph_model.h"

using orva::graph::GraphModel;

namespace {

std::string Text(const char* text) {
    return text ? std::string(text) : std::string();
}

}  // namespace

CNTGraph::CNTGraph() = default;
CNTGraph::~CNTGraph() = default;

const char* CNTGraph::GetClsid() {
    return "{C9FE01C2-2746-479B-96AB-E0BE9931B018}";
}

std::shared_ptr<GraphModel> CNTGraph::Model() const {
    return m_model.load(std::memory_order_acquire);
}

void CNTGraph::AttachModel(std::shared_ptr<GraphModel> model) {
    m_model.store(std::move(model), std::memory_order_release);
}

void CNTGraph::PreSubclassWindow() {
    if (auto model = orva::graph::ComponentModel(*this)) AttachModel(std::move(model));
}

void CNTGraph::SetCaption(const char* text) {
    if (auto m = Model()) m->SetCaption(Text(text));
}

void CNTGraph::SetXGridCount(short count) {
    if (auto m = Model()) m->SetXGridCount(count);
}

void CNTGraph::SetYGridCount(short count) {
    if (auto m = Model()) m->SetYGridCount(count);
}

void CNTGraph::SetShowGrid(BOOL show) {
    if (auto m = Model()) m->SetShowGrid(show != FALSE);
}

void CNTGraph::SetXLabel(const char* text) {
    if (auto m = Model()) m->SetXLabel(Text(text));
}

void CNTGraph::SetYLabel(const char* text) {
    if (auto m = Model()) m->SetYLabel(Text(text));
}

void CNTGraph::SetCurveColor(unsigned long color) {
    if (auto m = Model()) m->SetCurveColor(static_cast<std::uint32_t>(color));
}

void CNTGraph::SetPlotOption(long option) {
    if (auto m = Model()) m->SetPlotOption(static_cast<int>(option));
}

void CNTGraph::SetCurveOption(BOOL option) {
    if (auto m = Model()) m->SetCurveOption(option != FALSE);
}

void CNTGraph::SetCurveStyle(short style) {
    if (auto m = Model()) m->SetCurveStyle(style);
}

void CNTGraph::SetMouseMode(long mode) {
    if (auto m = Model()) m->SetMouseMode(static_cast<int>(mode));
}

void CNTGraph::SetRange(double xmin, double xmax, double ymin, double ymax) {
    if (auto m = Model()) m->SetRange(xmin, xmax, ymin, ymax);
}

void CNTGraph::AutoRange() {
    if (auto m = Model()) m->AutoRange();
}

void CNTGraph::ClearGraph() {
    if (auto m = Model()) m->ClearGraph();
}

void CNTGraph::PlotXY(double x, double y, short element) {
    if (auto m = Model()) m->PlotXY(x, y, element);
}

void CNTGraph::PlotPoints(const float* x, const float* y, long count, short element) {
    if (count <= 0) return;
    if (auto m = Model()) m->PlotPoints(x, y, static_cast<std::size_t>(count), element);
}

double CNTGraph::GetElementX(long index, short element) {
    auto m = Model();
    return m ? m->GetElementX(index, element) : 0.0;
}

double CNTGraph::GetElementY(long index, short element) {
    auto m = Model();
    return m ? m->GetElementY(index, element) : 0.0;
}

void CNTGraph::SaveAs(const char* path) {
    auto m = Model();
    if (!m) return;
    const std::string file = Text(path);
    orva::graph::TakeWindowSize(*m, *this);
    std::string reason;
    if (!orva::graph::SaveGraphBitmap(*m, file, &reason))
        throw std::runtime_error("The graph picture could not be written to " + file + ": " + reason + ".");
}

void CNTGraph::SetProperty(long dispid, const PropertyValue& value) {
    std::lock_guard lock(m_propertiesLock);
    m_properties[dispid] = value;
}

CNTGraph::PropertyValue CNTGraph::GetProperty(long dispid) const {
    std::lock_guard lock(m_propertiesLock);
    const auto it = m_properties.find(dispid);
    return it == m_properties.end() ? PropertyValue{} : it->second;
}

void RegisterGraphControl() {
    orva::graph::RegisterGraphComponent(CNTGraph::GetClsid());
}
