#include "decode_ahead.h"

#include <new>
#include <system_error>

namespace vexa::cli {

namespace {

// Entries up to this size are decoded ahead into memory; larger ones stream through the taker.
constexpr uint64_t kSmallEntry = 256 * 1024;
// Content held ahead at most (one small entry may pass it); the worker goes on once half of it
// was taken.
constexpr uint64_t kHeldBytes = 1024 * 1024;

}  // namespace

DecodeAhead::DecodeAhead(void* handle, std::vector<const VEXA_ENTRY*> entries)
    : handle_(handle), entries_(std::move(entries)) {
    if (entries_.size() < 2) return;
    try {
        worker_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        // Without a second thread every entry is decoded by the taker.
    }
}

DecodeAhead::~DecodeAhead() {
    if (!worker_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    workerWakes_.notify_all();
    worker_.join();
}

void DecodeAhead::Run() {
    for (size_t index = 0; index < entries_.size(); ++index) {
        const VEXA_ENTRY& entry = *entries_[index];
        Decoded decoded{index, entry.originalSize > kSmallEntry, Result::Success, {}};
        {
            std::unique_lock<std::mutex> lock(mutex_);
            if (heldBytes_ >= kHeldBytes) {
                workerWaits_ = true;
                workerWakes_.wait(lock, [&] { return stop_ || heldBytes_ <= kHeldBytes / 2; });
                workerWaits_ = false;
            }
            if (stop_) return;
        }
        if (!decoded.large) {
            // Content beyond the recorded size (a damaged entry), or that finds no memory, is
            // not held: the taker decodes such an entry again itself, as it does a large one.
            try {
                decoded.content.reserve(size_t(entry.originalSize));
                decoded.result = DecodeEntryTo(
                    handle_, EntryName(entry).c_str(), [&](const uint8_t* data, size_t count) {
                        if (count > entry.originalSize - decoded.content.size()) {
                            decoded.large = true;
                            return Result::Unknown;
                        }
                        decoded.content.insert(decoded.content.end(), data, data + count);
                        return Result::Success;
                    });
            } catch (const std::bad_alloc&) {
                decoded.large = true;
            }
            if (decoded.large) decoded.content = {};
        }
        std::unique_lock<std::mutex> lock(mutex_);
        const bool large = decoded.large;
        heldBytes_ += decoded.content.size();
        largePending_ = large;
        ready_.push_back(std::move(decoded));
        if (takerWaits_) takerWakes_.notify_one();
        // The taker decodes a large entry with the stream; nothing here touches the stream
        // until it is done.
        if (large) {
            workerWaits_ = true;
            workerWakes_.wait(lock, [&] { return stop_ || !largePending_; });
            workerWaits_ = false;
        }
        if (stop_) return;
    }
}

DecodeAhead::Decoded DecodeAhead::TakeFront() {
    Decoded front = std::move(ready_.front());
    ready_.pop_front();
    heldBytes_ -= front.content.size();
    // A large entry passed over is done with at once.
    if (front.large) largePending_ = false;
    if (workerWaits_ && !largePending_ && heldBytes_ <= kHeldBytes / 2) workerWakes_.notify_one();
    return front;
}

Result DecodeAhead::Decode(size_t index, const Sink& sink) {
    const std::string name = EntryName(*entries_[index]);
    if (!worker_.joinable()) return DecodeEntryTo(handle_, name.c_str(), sink);

    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        while (!ready_.empty() && ready_.front().index < index) TakeFront();
        if (!ready_.empty()) break;
        takerWaits_ = true;
        takerWakes_.wait(lock, [&] { return !ready_.empty(); });
        takerWaits_ = false;
    }
    if (ready_.front().large) {
        // Taken only once decoded here, so that the worker waits until the stream is free.
        lock.unlock();
        const Result result = DecodeEntryTo(handle_, name.c_str(), sink);
        lock.lock();
        TakeFront();
        return result;
    }
    const Decoded decoded = TakeFront();
    lock.unlock();
    if (!decoded.content.empty())
        if (const Result r = sink(decoded.content.data(), decoded.content.size());
            r != Result::Success)
            return r;
    return decoded.result;
}

}  // namespace vexa::cli
