// Progress of a command over a known number of bytes: a redrawn bar on a terminal, one line per
// item otherwise, nothing when quiet. Messages go through it so they never land inside a bar.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

namespace vexa::cli {

enum class ProgressStyle { Quiet, Lines, Bar };

class Progress {
  public:
    Progress(std::ostream& err, ProgressStyle style, uint64_t totalBytes, std::string verb);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void StartItem(const std::string& name, uint64_t size);
    // Bytes of the current item done so far.
    void Advance(uint64_t itemBytes);
    void FinishItem();

    // A line for the user (an error, a skip); shown even when quiet.
    void Message(const std::string& line);
    // Removes the bar; the summary follows through Message.
    void Finish();

    uint64_t DoneBytes() const { return done_ + itemDone_; }
    double ElapsedSeconds() const;

  private:
    void Draw(bool force);
    void Clear();

    std::ostream& err_;
    ProgressStyle style_;
    uint64_t total_;
    std::string verb_;
    std::string item_;
    uint64_t itemSize_ = 0;
    uint64_t itemDone_ = 0;
    uint64_t done_ = 0;
    size_t drawnWidth_ = 0;
    size_t lineWidth_;  // the terminal's columns, less one
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
};

}  // namespace vexa::cli
