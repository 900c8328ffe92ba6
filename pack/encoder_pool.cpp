#include "encoder_pool.h"

#include <system_error>

#include "writer.h"

namespace vexa::pack {

namespace {

void Encode(EncoderPool::Job& job, std::exception_ptr& failure) {
    try {
        job.encoded = EncodeBlock(job.plain);
    } catch (...) {
        failure = std::current_exception();
    }
}

}  // namespace

EncoderPool::EncoderPool(unsigned threads) {
    if (threads <= 1) return;
    threads_.reserve(threads);
    for (unsigned t = 0; t < threads; ++t) {
        try {
            threads_.emplace_back([this] { Work(); });
        } catch (const std::system_error&) {
            break;  // fewer threads only make it slower
        }
    }
}

EncoderPool::~EncoderPool() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
        queue_.clear();
    }
    jobArrived_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

void EncoderPool::Submit(Job& job) {
    job.done = false;
    job.failure = nullptr;
    if (threads_.empty()) {
        Encode(job, job.failure);
        job.done = true;
        return;
    }
    {
        std::lock_guard<std::mutex> guard(lock_);
        queue_.push_back(&job);
    }
    jobArrived_.notify_one();
}

void EncoderPool::Wait(Job& job) {
    {
        std::unique_lock<std::mutex> guard(lock_);
        jobDone_.wait(guard, [&] { return job.done; });
    }
    if (job.failure) std::rethrow_exception(job.failure);
}

bool EncoderPool::IsDone(const Job& job) {
    std::lock_guard<std::mutex> guard(lock_);
    return job.done;
}

void EncoderPool::Work() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        jobArrived_.wait(guard, [&] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        Job& job = *queue_.front();
        queue_.pop_front();
        guard.unlock();
        std::exception_ptr failure;
        Encode(job, failure);
        guard.lock();
        job.failure = failure;
        job.done = true;
        jobDone_.notify_all();
    }
}

unsigned DefaultThreadCount() {
    // Each thread holds a block and its encoder's table; a cap keeps a 32-bit process well
    // inside its address space on machines with many cores.
    constexpr unsigned kMaxThreads = 16;
    const unsigned cores = std::thread::hardware_concurrency();
    if (cores == 0) return 1;
    return cores < kMaxThreads ? cores : kMaxThreads;
}

}  // namespace vexa::pack
