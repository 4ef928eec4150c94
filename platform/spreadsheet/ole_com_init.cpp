#include "ole_com_init.h"

namespace ole {

namespace {

struct ThreadCom {
    unsigned count = 0;
    std::uint32_t model = COINIT_APARTMENTTHREADED;
};
thread_local ThreadCom t_com;

}  // namespace

HRESULT CoInitializeEx(void* reserved, std::uint32_t coinit) {
    if (reserved) return E_INVALIDARG;
    const std::uint32_t model = coinit & COINIT_APARTMENTTHREADED;
    if (t_com.count > 0) {
        if (t_com.model != model) return RPC_E_CHANGED_MODE;
        ++t_com.count;
        return S_FALSE;
    }
    t_com.count = 1;
    t_com.model = model;
    return S_OK;
}

HRESULT CoInitialize(void* reserved) {
    return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED);
}

void CoUninitialize() {
    if (t_com.count > 0) --t_com.count;
}

}  // namespace ole
