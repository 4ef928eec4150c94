// COM initialisation of a thread, as far as the program uses it: a thread enters the
// single-threaded apartment (CoInitialize) or the multithreaded one (CoInitializeEx), counted per
// thread; asking for the other kind than the thread is in fails with RPC_E_CHANGED_MODE. The
// spreadsheet server needs nothing of it: this keeps the calls and their results.
#pragma once

#include <cstdint>

#include "ole_types.h"

namespace ole {

constexpr HRESULT S_FALSE = 1;  // already initialised: counted once more
constexpr HRESULT RPC_E_CHANGED_MODE = static_cast<HRESULT>(0x80010106u);

constexpr std::uint32_t COINIT_MULTITHREADED = 0x0;
constexpr std::uint32_t COINIT_APARTMENTTHREADED = 0x2;

// reserved must be null.
HRESULT CoInitialize(void* reserved);
HRESULT CoInitializeEx(void* reserved, std::uint32_t coinit);
// Ends one initialisation of the calling thread.
void CoUninitialize();

}  // namespace ole
