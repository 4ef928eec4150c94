// Which port's receive thread the calling thread is, if any.
#pragma once

class CComPort;

namespace orva::comport {

const CComPort* ReceivingPort();
void SetReceivingPort(const CComPort* port);

}  // namespace orva::comport
