#include "MSComm.h"

BOOL CMSComm::GetPortOpen() {
    ++m_portOpenReads;
    const PropertyValue v = GetProperty(kDispidPortOpen);
    const BOOL* open = std::get_if<BOOL>(&v);
    return open && *open ? TRUE : FALSE;
}

void CMSComm::SetPortOpen(BOOL bNewValue) {
    ++m_portOpenWrites;
    SetProperty(kDispidPortOpen, bNewValue ? TRUE : FALSE);
}

CMSComm::PropertyValue CMSComm::GetProperty(long dispid) const {
    const auto it = m_properties.find(dispid);
    return it == m_properties.end() ? PropertyValue{} : it->second;
}

void CMSComm::SetProperty(long dispid, PropertyValue value) {
    m_properties[dispid] = std::move(value);
}

void CMSComm::RegisterControl() {
    afx::RegisterPlainControl(GetClsid(), "CommunicationsControl");
}
