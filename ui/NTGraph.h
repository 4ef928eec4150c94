// CNTGraph: the program's interface to the graph control (control 1075 of the main dialog).
// Every member may be called from any thread; it goes straight to the control's own locked
// model, so a worker's points are neither delayed nor reordered. An object that is not bound
// to a graph control does nothing and answers 0.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <variant>

#include "afx.h"

namespace orva::graph {
class GraphModel;
}

class CNTGraph : public CWnd {
public:
    CNTGraph();
    ~CNTGraph() override;

    static const char* GetClsid();
    // The dynamic-creation factory: a new object, not yet bound to a control.
    static CNTGraph* CreateObject() { return new CNTGraph; }

    void SetCaption(const char* text);
    void SetXGridCount(short count);
    void SetYGridCount(short count);
    void SetShowGrid(BOOL show);
    void SetXLabel(const char* text);
    void SetYLabel(const char* text);
    void SetCurveColor(unsigned long color);  // 0x00BBGGRR
    void SetPlotOption(long option);
    void SetCurveOption(BOOL option);
    void SetCurveStyle(short style);
    void SetMouseMode(long mode);
    void SetRange(double xmin, double xmax, double ymin, double ymax);
    void AutoRange();
    void ClearGraph();
    void PlotXY(double x, double y, short element);
    // PlotXY(x[i], y[i], element) for i = 0 .. count - 1, in one pass.
    void PlotPoints(const float* x, const float* y, long count, short element);
    double GetElementX(long index, short element);
    double GetElementY(long index, short element);
    // Writes the graph's picture as a BMP file; a file that cannot be written raises an error
    // (std::runtime_error) that the dialog's message loop reports.
    void SaveAs(const char* path);

    // The control's other properties, which the program never uses, kept by dispatch id.
    using PropertyValue = std::variant<std::monostate, short, long, double, std::string>;
    void SetProperty(long dispid, const PropertyValue& value);
    PropertyValue GetProperty(long dispid) const;

    // Binds the object to a graph component's model; done by the data exchange binding.
    void AttachModel(std::shared_ptr<orva::graph::GraphModel> model);

protected:
    void PreSubclassWindow() override;

private:
    std::shared_ptr<orva::graph::GraphModel> Model() const;

    std::atomic<std::shared_ptr<orva::graph::GraphModel>> m_model;
    mutable std::mutex m_propertiesLock;
    std::map<long, PropertyValue> m_properties;
};

// Registers the graph component as the control made for CNTGraph::GetClsid(); called once at
// start-up, before the main dialog is created.
void RegisterGraphControl();
