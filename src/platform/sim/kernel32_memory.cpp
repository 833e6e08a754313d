// Global memory blocks: movable blocks behind handles, with lock counts.
#include "platform/sim/simulator.h"
#include "platform/sim/script.h"
#include "platform/sim/state.h"

#include <cstdlib>
#include <algorithm>
#include <cstring>

using namespace sim::detail;

namespace sim::detail {

MemoryBlock* findBlock(HGLOBAL handle) {
    auto& memory = state().memory;
    auto it = memory.find(key(handle));
    return it == memory.end() ? nullptr : &it->second;
}

HGLOBAL newBlock(const void* bytes, std::size_t size) {
    HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, size);
    if (handle && size) {
        auto* block = findBlock(handle);
        std::memcpy(block->data, bytes, size);
    }
    return handle;
}

} // namespace sim::detail

namespace {

void account(std::size_t freed, std::size_t added) {
    auto& s = state();
    s.liveBytes = s.liveBytes - freed + added;
    s.peakBytes = std::max(s.peakBytes, s.liveBytes);
}

} // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    auto guard = lock();
    if (allocationFails(bytes)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    MemoryBlock block;
    if (bytes) {
        block.data = static_cast<unsigned char*>((flags & GMEM_ZEROINIT) ? std::calloc(bytes, 1)
                                                                         : std::malloc(bytes));
        if (!block.data) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
    }
    block.size = bytes;
    account(0, bytes);
    auto handle = newHandle();
    state().memory.emplace(handle, block);
    return toHandle<HGLOBAL>(handle);
}

HGLOBAL GlobalReAlloc(HGLOBAL mem, SIZE_T bytes, UINT flags) {
    auto guard = lock();
    auto* block = findBlock(mem);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (allocationFails(bytes) || (block->locks && !(flags & GMEM_MOVEABLE))) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (bytes == 0) {
        std::free(block->data);
        account(block->size, 0);
        block->data = nullptr;
        block->size = 0;
        return mem;
    }
    auto* grown = static_cast<unsigned char*>(std::realloc(block->data, bytes));
    if (!grown) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if ((flags & GMEM_ZEROINIT) && bytes > block->size)
        std::memset(grown + block->size, 0, bytes - block->size);
    account(block->size, bytes);
    block->data = grown;
    block->size = bytes;
    return mem;
}

LPVOID GlobalLock(HGLOBAL mem) {
    auto guard = lock();
    auto* block = findBlock(mem);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (!block->data) { // a discarded (zero-size) block has no address
        SetLastError(ERROR_NOT_LOCKED);
        return nullptr;
    }
    ++block->locks;
    return block->data;
}

BOOL GlobalUnlock(HGLOBAL mem) {
    auto guard = lock();
    auto* block = findBlock(mem);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (block->locks == 0) {
        SetLastError(ERROR_NOT_LOCKED);
        return FALSE;
    }
    --block->locks;
    SetLastError(NO_ERROR);
    return block->locks > 0;
}

SIZE_T GlobalSize(HGLOBAL mem) {
    auto guard = lock();
    auto* block = findBlock(mem);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return block->size;
}

HGLOBAL GlobalFree(HGLOBAL mem) {
    auto guard = lock();
    auto* block = findBlock(mem);
    if (!block) {
        SetLastError(ERROR_INVALID_HANDLE);
        return mem;
    }
    if (block->ownedByClipboard)
        recordViolation("GlobalFree of a block that the clipboard owns");
    std::free(block->data);
    account(block->size, 0);
    state().memory.erase(key(mem));
    return nullptr;
}

namespace sim {

int LockCount(HGLOBAL mem) {
    auto guard = lock();
    auto* block = findBlock(mem);
    return block ? block->locks : -1;
}

std::size_t LiveMemoryBlocks() {
    auto guard = lock();
    return state().memory.size();
}

std::size_t LiveMemoryBytes() {
    auto guard = lock();
    return state().liveBytes;
}

std::size_t PeakMemoryBytes() {
    auto guard = lock();
    return state().peakBytes;
}

void ResetPeakMemory() {
    auto guard = lock();
    state().peakBytes = state().liveBytes;
}

std::size_t LockedMemoryBlocks() {
    auto guard = lock();
    std::size_t n = 0;
    for (auto& [handle, block] : state().memory)
        n += block.locks > 0;
    return n;
}

} // namespace sim
