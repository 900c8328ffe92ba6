#include "parallel_blocks.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

#include "writer.h"

namespace vexa::cli {

std::vector<std::vector<uint8_t>> EncodeBlocks(
    const std::vector<const std::vector<uint8_t>*>& plain, unsigned threads) {
    std::vector<std::vector<uint8_t>> encoded(plain.size());
    std::atomic<size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureLock;
    auto work = [&] {
        for (size_t i = next++; i < plain.size(); i = next++) {
            try {
                encoded[i] = pack::EncodeBlock(*plain[i]);
            } catch (...) {
                std::lock_guard<std::mutex> lock(failureLock);
                if (!failure) failure = std::current_exception();
            }
        }
    };
    const size_t helpers = std::min<size_t>(threads, plain.size()) - (plain.empty() ? 0 : 1);
    std::vector<std::thread> pool;
    pool.reserve(helpers);
    for (size_t t = 0; t < helpers; ++t) {
        try {
            pool.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // fewer threads only make it slower
        }
    }
    work();  // the calling thread takes its share too
    for (std::thread& thread : pool) thread.join();
    if (failure) std::rethrow_exception(failure);
    return encoded;
}

unsigned DefaultThreadCount() {
    // Each thread holds a block and its encoder's table; a cap keeps a 32-bit process well
    // inside its address space on machines with many cores.
    constexpr unsigned kMaxThreads = 16;
    const unsigned cores = std::thread::hardware_concurrency();
    if (cores == 0) return 1;
    return cores < kMaxThreads ? cores : kMaxThreads;
}

}  // namespace vexa::cli
