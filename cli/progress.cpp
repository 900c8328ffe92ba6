#include "progress.h"

#include "host_fs.h"
#include "progress_format.h"

namespace vexa::cli {

namespace {

// Without a terminal to ask, the classic 80 columns (one left free: a full line would wrap).
constexpr size_t kDefaultLineWidth = 79;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

}  // namespace

Progress::Progress(std::ostream& err, ProgressStyle style, uint64_t totalBytes, std::string verb)
    : err_(err),
      style_(style),
      total_(totalBytes),
      verb_(std::move(verb)),
      lineWidth_(style == ProgressStyle::Bar && fs::TerminalWidth() && *fs::TerminalWidth() > 20
                     ? *fs::TerminalWidth() - 1
                     : kDefaultLineWidth),
      start_(std::chrono::steady_clock::now()),
      lastDraw_(start_ - kRedrawInterval) {}

Progress::~Progress() {
    Clear();
}

void Progress::StartItem(const std::string& name, uint64_t size) {
    item_ = name;
    itemSize_ = size;
    itemDone_ = 0;
    if (style_ == ProgressStyle::Lines) err_ << verb_ << ' ' << name << '\n';
    Draw(false);
}

void Progress::Advance(uint64_t itemBytes) {
    itemDone_ = itemBytes < itemSize_ ? itemBytes : itemSize_;
    Draw(false);
}

void Progress::FinishItem() {
    done_ += itemSize_;
    itemDone_ = 0;
    itemSize_ = 0;
    Draw(false);
}

void Progress::Message(const std::string& line) {
    Clear();
    err_ << line << '\n';
    err_.flush();
}

void Progress::Finish() {
    Draw(true);
    Clear();
}

double Progress::ElapsedSeconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void Progress::Draw(bool force) {
    if (style_ != ProgressStyle::Bar) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < kRedrawInterval) return;
    lastDraw_ = now;
    const std::string line =
        RenderProgressLine(DoneBytes(), total_, ElapsedSeconds(), item_, lineWidth_);
    err_ << '\r' << line;
    if (line.size() < drawnWidth_) err_ << std::string(drawnWidth_ - line.size(), ' ');
    drawnWidth_ = line.size() > drawnWidth_ ? line.size() : drawnWidth_;
    err_.flush();
}

void Progress::Clear() {
    if (drawnWidth_ == 0) return;
    err_ << '\r' << std::string(drawnWidth_, ' ') << '\r';
    err_.flush();
    drawnWidth_ = 0;
}

}  // namespace vexa::cli
