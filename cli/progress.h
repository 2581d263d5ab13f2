// How far a batch has come, on the error stream: on a terminal a status line rewritten in place
// (series done of the total, rate and time left); in every case one closing line such as
// "fitted 3003 series in 12.4 s: 2998 ok, 5 failed".
#ifndef VORDEX_CLI_PROGRESS_H
#define VORDEX_CLI_PROGRESS_H

#include <chrono>
#include <cstddef>
#include <ostream>
#include <string>

namespace vordex::cli {

class Progress {
 public:
  // `total` series are to come; the status line is shown only when `terminal` (err is one).
  Progress(std::ostream& err, bool terminal, std::size_t total);
  // Counts one series more, by its status; redraws the status line at most ten times a second.
  void Add(bool ok, bool cancelled);
  // Clears the status line and writes the closing line.
  void Finish();

  std::size_t ok() const { return ok_; }
  std::size_t failed() const { return failed_; }
  std::size_t cancelled() const { return cancelled_; }

  // The status line for `done` of `total` series after `seconds`: "fitted 120/3003 series,
  // 95.1 series/s, 0:30 left".
  static std::string StatusLine(std::size_t done, std::size_t total, double seconds);
  // The closing line.
  static std::string ClosingLine(std::size_t ok, std::size_t failed, std::size_t cancelled,
                                 double seconds);

 private:
  using Clock = std::chrono::steady_clock;
  double Seconds() const;

  std::ostream& err_;
  bool terminal_;
  std::size_t total_;
  std::size_t ok_ = 0, failed_ = 0, cancelled_ = 0;
  Clock::time_point start_ = Clock::now();
  Clock::time_point drawn_{};
  std::size_t width_ = 0;  // characters of the status line on screen
};

}  // namespace vordex::cli

#endif  // VORDEX_CLI_PROGRESS_H
