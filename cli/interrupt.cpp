#include "interrupt.h"

#include <atomic>
#include <cstring>
#include <mutex>

namespace vexa::cli {

namespace {

// Fixed storage, so the handler needs no allocation and no lock: a slot's path is written
// before it is armed and only read while armed.
enum SlotState : int { kFree = 0, kFilling = 1, kArmed = 2 };
constexpr int kSlots = 8;
constexpr size_t kMaxPath = 4096;

struct Slot {
    std::atomic<int> state{kFree};
    char path[kMaxPath];
};

Slot g_slots[kSlots];

}  // namespace

void InstallInterruptHandlers() {
    static std::once_flag once;
    std::call_once(once, interrupt_detail::InstallPlatformHandlers);
}

RemoveOnInterrupt::RemoveOnInterrupt(const std::string& path) : slot_(-1) {
    if (path.size() >= kMaxPath) return;
    InstallInterruptHandlers();
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!g_slots[i].state.compare_exchange_strong(expected, kFilling)) continue;
        std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
        g_slots[i].state.store(kArmed);
        slot_ = i;
        return;
    }
}

RemoveOnInterrupt::~RemoveOnInterrupt() {
    if (slot_ >= 0) g_slots[slot_].state.store(kFree);
}

namespace interrupt_detail {

void RemoveRegisteredFiles() {
    for (Slot& slot : g_slots)
        if (slot.state.load() == kArmed) RemoveFile(slot.path);
}

}  // namespace interrupt_detail

}  // namespace vexa::cli
