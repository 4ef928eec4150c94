#include "comport_thread.h"

namespace orva::comport {
namespace {

thread_local const CComPort* t_receivingPort = nullptr;

}  // namespace

const CComPort* ReceivingPort() {
    return t_receivingPort;
}

void SetReceivingPort(const CComPort* port) {
    t_receivingPort = port;
}

}  // namespace orva::comport
