// An output file that appears under its name only once it is complete.
//
// The text goes to a temporary file in the same folder (".NAME.partial-XXXXXX", so that the
// final rename stays within one file system); Commit flushes it, syncs it to the disk and renames
// it over NAME, an atomic step: a reader, a crash, a full disk or an interrupted run sees either
// the old file (or none) or the complete new one, never a part. Without Commit the temporary is
// removed when the object goes. Only a kill that leaves no time to clean up (SIGKILL, a power
// cut) can leave the temporary behind, under its own name.
//
// A path naming something that cannot be replaced (a terminal, a pipe, /dev/null) or any path
// under /dev or /proc (/dev/stdout may lead to a regular file that the shell holds open) is
// written in place instead, as a stream: there is nothing to rename.
#ifndef VORDEX_CLI_OUTPUT_FILE_H
#define VORDEX_CLI_OUTPUT_FILE_H

#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

namespace vordex::cli {

class AtomicOutputFile {
 public:
  AtomicOutputFile();
  // Discard()s unless committed.
  ~AtomicOutputFile();
  AtomicOutputFile(const AtomicOutputFile&) = delete;
  AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;

  // Creates the temporary for `path` (with the mode a new file would get, or the mode of the
  // file it will replace). Returns false, with error "PATH: reason", when it cannot.
  bool Open(const std::string& path, std::string& error);

  // Where the text goes; it goes bad at the first failed write (see error()).
  std::ostream& stream() { return stream_; }

  // Whether a write has failed.
  bool failed() const;

  // Flushes the text and syncs it to the disk, then closes the temporary. Returns false, with
  // error "PATH: reason" (the system's reason for the first failure, a write's included), when
  // any step failed; the temporary is then removed. Idempotent.
  bool Close(std::string& error);

  // Close()s, then renames the temporary over the path and syncs the folder. Returns false, with
  // error "PATH: reason", when a step failed; nothing is then left under either name (a file
  // that was under the path stays as it was).
  bool Commit(std::string& error);

  // Closes and removes the temporary; the path keeps what it had.
  void Discard();

  // The temporary's path ("" when writing in place or when not open).
  const std::string& temporary() const { return temporary_; }

 private:
  class Buffer;
  std::string Failure(int error_number) const;

  std::unique_ptr<Buffer> buffer_;
  std::ostream stream_;
  std::string path_;       // as the user gave it
  std::string target_;     // where the temporary is renamed to (symbolic links resolved)
  std::string temporary_;  // empty when writing in place
  bool closed_ = false;
  bool committed_ = false;
  int close_error_ = 0;  // errno of the first failure of Close
};

}  // namespace vordex::cli

#endif  // VORDEX_CLI_OUTPUT_FILE_H
