// Reads of the archive through one window of it held in memory. Records and small entries lie
// together, so walking them costs a copy each rather than system calls: a read inside the window
// is served from memory, one outside it reloads the window with one positioned read there.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform.h"

namespace vexa {

class ArchiveWindow {
  public:
    explicit ArchiveWindow(platform::File& file) : file_(file) {}

    // The file's length when it was opened; nothing at or past it is read.
    void SetFileSize(uint64_t size) {
        fileSize_ = size;
        length_ = 0;
    }
    uint64_t FileSize() const { return fileSize_; }

    // Delivers up to `count` bytes at `position`, fewer when the file ends or a read fails.
    // The window lives in `buffer` (`capacity` bytes, always the same buffer for a stream);
    // without one every read goes to the file. A read as large as the window goes straight to
    // its destination.
    size_t Read(uint64_t position, uint8_t* to, size_t count, uint8_t* buffer, size_t capacity) {
        size_t done = 0;
        while (done < count && position < fileSize_ && done < fileSize_ - position) {
            const uint64_t at = position + done;
            if (buffer && at >= start_ && at - start_ < length_) {
                const size_t offset = size_t(at - start_);
                const size_t take = std::min(length_ - offset, count - done);
                std::memcpy(to + done, buffer + offset, take);
                done += take;
                continue;
            }
            const uint64_t left = fileSize_ - at;
            const size_t want = count - done;
            if (!buffer || want >= capacity) {
                const size_t asked = size_t(std::min<uint64_t>(want, left));
                const size_t got = file_.ReadFullyAt(at, to + done, asked);
                done += got;
                if (got < asked) break;
                continue;
            }
            start_ = at;
            length_ = file_.ReadFullyAt(at, buffer, size_t(std::min<uint64_t>(capacity, left)));
            if (length_ == 0) break;
        }
        return done;
    }

  private:
    platform::File& file_;
    uint64_t fileSize_ = 0;
    uint64_t start_ = 0;  // of the bytes in the window
    size_t length_ = 0;
};

// Sequential reads of one byte range of the archive through its window. Nothing past the range
// is delivered.
class RangeReader {
  public:
    // Reads from `start` up to `limit` (exclusive).
    RangeReader(ArchiveWindow& window, uint8_t* buffer, size_t capacity, uint64_t start,
                uint64_t limit)
        : window_(window),
          buffer_(buffer),
          capacity_(capacity),
          position_(start),
          limit_(std::max(start, limit)) {}

    // Position of the next byte Read delivers.
    uint64_t Position() const { return position_; }

    // Delivers `count` bytes unless the range or the file ends first; returns how many arrived.
    size_t Read(uint8_t* to, size_t count) {
        const size_t asked = size_t(std::min<uint64_t>(count, limit_ - position_));
        const size_t got = window_.Read(position_, to, asked, buffer_, capacity_);
        position_ += got;
        return got;
    }

  private:
    ArchiveWindow& window_;
    uint8_t* buffer_;
    size_t capacity_;
    uint64_t position_;
    uint64_t limit_;
};

}  // namespace vexa
