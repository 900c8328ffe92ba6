// The cancel signal: an in-process flag on every platform. Only this process sets it, and
// the decoder polls it before every block, so a kernel object would cost a system call (under
// an emulation layer a server round trip) per poll and per reset for nothing.
#include <atomic>
#include <new>

#include "platform.h"

namespace vexa::platform {

struct CancelSignal::State {
    std::atomic<bool> requested{false};
};

// Without memory for its state the signal is invalid, and the stream that wanted it is not opened.
CancelSignal::CancelSignal() : state_(new (std::nothrow) State) {}
CancelSignal::~CancelSignal() {
    delete state_;
}
bool CancelSignal::IsValid() const {
    return state_ != nullptr;
}
void CancelSignal::Set() {
    state_->requested.store(true);
}
void CancelSignal::Reset() {
    state_->requested.store(false);
}
bool CancelSignal::PollAndReset() {
    return state_->requested.exchange(false);
}

}  // namespace vexa::platform
