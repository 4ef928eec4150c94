// The communications control hosted as control 1025 of the main dialog. The program only reads
// its port-open switch on exit and clears it when set; that switch is all this component keeps.
#pragma once

#include <map>
#include <string>
#include <variant>

#include "afx.h"

class CMSComm : public CWnd {
public:
    static const char* GetClsid() { return "{648A5600-2C6E-101B-82B6-000000000014}"; }
    // The dynamic-creation factory: a new object, not yet bound to a control.
    static CMSComm* CreateObject() { return new CMSComm; }

    BOOL GetPortOpen();
    void SetPortOpen(BOOL bNewValue);

    // The control's other properties, kept by dispatch id; nothing in the program uses them.
    using PropertyValue = std::variant<std::monostate, BOOL, short, long, std::string>;
    PropertyValue GetProperty(long dispid) const;
    void SetProperty(long dispid, PropertyValue value);

    // Makes the component's window for control 1025 (it shows nothing at run time).
    static void RegisterControl();

    int PortOpenReads() const { return m_portOpenReads; }
    int PortOpenWrites() const { return m_portOpenWrites; }

private:
    static constexpr long kDispidPortOpen = 20;
    std::map<long, PropertyValue> m_properties;
    int m_portOpenReads = 0;
    int m_portOpenWrites = 0;
};
