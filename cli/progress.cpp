#include "progress.h"

#include <cstdio>

namespace vordex::cli {
namespace {

// m:ss, or h:mm:ss from an hour on.
std::string Duration(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  char buffer[32];
  if (s >= 3600) {
    std::snprintf(buffer, sizeof buffer, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  } else {
    std::snprintf(buffer, sizeof buffer, "%ld:%02ld", s / 60, s % 60);
  }
  return buffer;
}

}  // namespace

Progress::Progress(std::ostream& err, bool terminal, std::size_t total)
    : err_(err), terminal_(terminal), total_(total) {}

double Progress::Seconds() const {
  return std::chrono::duration<double>(Clock::now() - start_).count();
}

void Progress::Add(bool ok, bool cancelled) {
  ++(ok ? ok_ : cancelled ? cancelled_ : failed_);
  if (!terminal_) return;
  const Clock::time_point now = Clock::now();
  if (now - drawn_ < std::chrono::milliseconds(100)) return;
  drawn_ = now;
  const std::string line = StatusLine(ok_ + failed_ + cancelled_, total_, Seconds());
  err_ << '\r' << line << std::string(width_ > line.size() ? width_ - line.size() : 0, ' ')
       << std::flush;
  width_ = line.size();
}

void Progress::Finish() {
  if (terminal_ && width_ > 0) err_ << '\r' << std::string(width_, ' ') << '\r';
  err_ << ClosingLine(ok_, failed_, cancelled_, Seconds()) << '\n' << std::flush;
}

std::string Progress::StatusLine(std::size_t done, std::size_t total, double seconds) {
  char buffer[160];
  const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0.0;
  const std::string left =
      rate > 0 && total >= done ? Duration(static_cast<double>(total - done) / rate) : "?";
  std::snprintf(buffer, sizeof buffer, "fitted %zu/%zu series, %.1f series/s, %s left", done, total,
                rate, left.c_str());
  return buffer;
}

std::string Progress::ClosingLine(std::size_t ok, std::size_t failed, std::size_t cancelled,
                                  double seconds) {
  char buffer[160];
  std::snprintf(buffer, sizeof buffer, "fitted %zu series in %.1f s: %zu ok, %zu failed",
                ok + failed + cancelled, seconds, ok, failed);
  std::string line = buffer;
  if (cancelled > 0) line += ", " + std::to_string(cancelled) + " cancelled";
  return line;
}

}  // namespace vordex::cli
