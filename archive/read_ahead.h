// Sequential reads of one byte range of the archive through a buffer, so that blocks of a few
// bytes cost a copy each rather than two system calls. Nothing past the range is read.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform.h"

namespace vexa {

class ReadAhead {
  public:
    // Reads from `start` up to `limit` (exclusive) of `file`, buffering in `buffer`.
    ReadAhead(platform::File& file, uint8_t* buffer, size_t capacity, uint64_t start,
              uint64_t limit)
        : file_(file),
          buffer_(buffer),
          capacity_(capacity),
          filePosition_(start),
          limit_(std::max(start, limit)),
          seekFailed_(!file.Seek(start)) {}

    // Position of the next byte Read delivers.
    uint64_t Position() const { return filePosition_ - (end_ - next_); }

    // Delivers `count` bytes unless the range or the file ends first; returns how many arrived.
    size_t Read(uint8_t* to, size_t count) {
        size_t done = 0;
        while (done < count) {
            if (next_ == end_) {
                const uint64_t left = limit_ - filePosition_;
                if (left == 0 || seekFailed_) break;
                const size_t want = count - done;
                if (want >= capacity_) {
                    // A large read goes straight to its destination.
                    const size_t asked = size_t(std::min<uint64_t>(want, left));
                    const size_t got = file_.ReadFully(to + done, asked);
                    filePosition_ += got;
                    done += got;
                    if (got < asked) break;
                    continue;
                }
                const size_t got = file_.Read(buffer_, size_t(std::min<uint64_t>(capacity_, left)));
                if (got == 0) break;
                filePosition_ += got;
                next_ = 0;
                end_ = got;
            }
            const size_t take = std::min(end_ - next_, count - done);
            std::memcpy(to + done, buffer_ + next_, take);
            next_ += take;
            done += take;
        }
        return done;
    }

  private:
    platform::File& file_;
    uint8_t* buffer_;
    size_t capacity_;
    uint64_t filePosition_;  // of the byte after those buffered
    uint64_t limit_;
    bool seekFailed_;
    size_t next_ = 0;
    size_t end_ = 0;
};

}  // namespace vexa
