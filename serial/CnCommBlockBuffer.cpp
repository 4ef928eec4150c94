// CnComm::BlockBuffer: the byte queue of the port class's receive and send buffers.
#include <algorithm>
#include <cstring>
#include <new>

#include "CnComm.h"

namespace {

// An emptied last block up to this size stays for the next bytes; a larger one is released.
DWORD KeepLimit(DWORD minBlock) {
    return 4 * minBlock;
}

}  // namespace

CnComm::BlockBuffer::BlockBuffer() : pFirst(nullptr), pLast(nullptr), dwSize(0), dwMinBlock(kMinBlock) {
    InitializeCriticalSection(&csLock);
}

CnComm::BlockBuffer::~BlockBuffer() {
    Clear();
    DeleteCriticalSection(&csLock);
}

void CnComm::BlockBuffer::Lock() {
    EnterCriticalSection(&csLock);
}

void CnComm::BlockBuffer::Unlock() {
    LeaveCriticalSection(&csLock);
}

DWORD CnComm::BlockBuffer::Size() const {
    return dwSize.load(std::memory_order_relaxed);
}

DWORD CnComm::BlockBuffer::LockedSize() {
    Lock();
    const DWORD size = dwSize.load(std::memory_order_relaxed);
    Unlock();
    return size;
}

DWORD CnComm::BlockBuffer::FreeSize() const {
    return pLast != nullptr ? pLast->capacity - pLast->end : 0;
}

CnComm::BlockBuffer::Block* CnComm::BlockBuffer::NewBlock(DWORD n) {
    if (n > kMaxBlock) return nullptr;  // header and data would not fit a 32-bit size
    const DWORD capacity = std::max(n, dwMinBlock);
    void* memory = ::operator new(sizeof(Block) + capacity, std::nothrow);
    if (memory == nullptr) return nullptr;
    Block* block = new (memory) Block{0, 0, capacity, nullptr};
    if (pLast != nullptr) {
        pLast->next = block;
    } else {
        pFirst = block;
    }
    pLast = block;
    return block;
}

void* CnComm::BlockBuffer::GetFreePointer(DWORD n) {
    if (n == 0) return pLast != nullptr ? pLast->Data() + pLast->end : nullptr;
    if (FreeSize() > n) return pLast->Data() + pLast->end;
    Block* block = NewBlock(n);
    return block != nullptr ? block->Data() : nullptr;
}

DWORD CnComm::BlockBuffer::Commit(DWORD n) {
    // Only bytes that fit the room after the last block's end can have been written there.
    if (pLast == nullptr || n > pLast->capacity - pLast->end) return 0;
    pLast->end += n;
    dwSize.fetch_add(n, std::memory_order_relaxed);
    return n;
}

DWORD CnComm::BlockBuffer::Write(const void* p, DWORD n) {
    if (n == 0 || p == nullptr || n > 0xFFFFFFFFu - Size()) return 0;
    Block* last = pLast;
    const DWORD head = last != nullptr ? std::min(n, last->capacity - last->end) : 0;
    // The spill block is made first, so that a failed allocation leaves the buffer as it was.
    Block* spill = nullptr;
    if (head < n) {
        spill = NewBlock(n);  // sized for the whole write, although only the rest goes into it
        if (spill == nullptr) return 0;
    }
    const auto* bytes = static_cast<const BYTE*>(p);
    if (head != 0) {
        std::memcpy(last->Data() + last->end, bytes, head);
        last->end += head;
    }
    if (spill != nullptr) {
        std::memcpy(spill->Data(), bytes + head, n - head);
        spill->end = n - head;
    }
    dwSize.fetch_add(n, std::memory_order_relaxed);
    return n;
}

DWORD CnComm::BlockBuffer::Read(void* p, DWORD n) {
    DWORD taken = 0;
    while (taken < n && pFirst != nullptr) {
        Block* block = pFirst;
        const DWORD chunk = std::min(n - taken, block->end - block->begin);
        if (p != nullptr && chunk != 0)
            std::memcpy(static_cast<BYTE*>(p) + taken, block->Data() + block->begin, chunk);
        block->begin += chunk;
        taken += chunk;
        dwSize.fetch_sub(chunk, std::memory_order_relaxed);
        if (block->begin != block->end) break;  // partly taken: the rest stays
        if (block->next == nullptr && block->capacity <= KeepLimit(dwMinBlock)) {
            block->begin = block->end = 0;  // kept for reuse
            break;
        }
        pFirst = block->next;
        if (pFirst == nullptr) pLast = nullptr;
        ::operator delete(block);
    }
    return taken;
}

void* CnComm::BlockBuffer::FirstData() const {
    return pFirst != nullptr ? pFirst->Data() + pFirst->begin : nullptr;
}

DWORD CnComm::BlockBuffer::FirstLength() const {
    return pFirst != nullptr ? pFirst->end - pFirst->begin : 0;
}

void CnComm::BlockBuffer::Clear() {
    while (pFirst != nullptr) {
        Block* next = pFirst->next;
        ::operator delete(pFirst);
        pFirst = next;
    }
    pLast = nullptr;
    dwSize.store(0, std::memory_order_relaxed);
}
