#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

namespace vordex::cli {

// A stream buffer over a file descriptor that keeps the errno of the first failed write (the
// standard file streams lose it, and with it the reason: "No space left on device", "File too
// large"). After a failure every further write fails too.
class AtomicOutputFile::Buffer : public std::streambuf {
 public:
  static constexpr std::size_t kSize = 1 << 16;

  explicit Buffer(int fd) : fd_(fd), data_(kSize) { setp(data_.data(), data_.data() + kSize); }

  int fd() const { return fd_; }
  int error() const { return error_; }

  // Writes out what is buffered; false after any failure.
  bool Drain() {
    const char* p = pbase();
    std::size_t left = static_cast<std::size_t>(pptr() - pbase());
    while (left > 0 && error_ == 0) {
      const ssize_t n = ::write(fd_, p, left);
      if (n < 0) {
        if (errno != EINTR) error_ = errno;
        continue;
      }
      p += n;
      left -= static_cast<std::size_t>(n);
    }
    setp(data_.data(), data_.data() + kSize);
    return error_ == 0;
  }

  // Closes the descriptor (once); false, with the error kept, when the close fails.
  bool CloseFd() {
    if (fd_ < 0) return error_ == 0;
    const int result = ::close(fd_);
    fd_ = -1;
    if (result != 0 && error_ == 0) error_ = errno;
    return error_ == 0;
  }

  void Fail(int error_number) {
    if (error_ == 0) error_ = error_number;
  }

 protected:
  int_type overflow(int_type c) override {
    if (!Drain()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
  }
  int sync() override { return Drain() ? 0 : -1; }

 private:
  int fd_;
  std::vector<char> data_;
  int error_ = 0;
};

namespace {

// ".NAME.partial-XXXXXX" beside `target`, created exclusively with `mode` (less the umask); the
// descriptor, or -1 with errno set.
int CreateTemporary(const std::filesystem::path& target, mode_t mode, std::string& name) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  static constexpr char kLetters[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string suffix(6, 'x');
    for (char& c : suffix) c = kLetters[random() % (sizeof kLetters - 1)];
    name =
        (target.parent_path() / ("." + target.filename().string() + ".partial-" + suffix)).string();
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Syncs a folder, so that a rename inside it survives a crash. Best effort: some file systems
// refuse to sync a folder, and the rename itself has succeeded.
void SyncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

AtomicOutputFile::AtomicOutputFile() : stream_(nullptr) {}

AtomicOutputFile::~AtomicOutputFile() {
  if (!committed_) Discard();
}

std::string AtomicOutputFile::Failure(int error_number) const {
  return path_ + ": " + std::strerror(error_number);
}

bool AtomicOutputFile::Open(const std::string& path, std::string& error) {
  path_ = path;
  target_ = path;
  mode_t mode = 0666;  // less the umask, as for any new file
  struct stat st {};
  int fd = -1;
  // /dev/stdout and /dev/fd/N lead to the file a descriptor has open, regular or not: replacing
  // it would leave that descriptor's writes in a file no longer there.
  const bool special = path.rfind("/dev/", 0) == 0 || path.rfind("/proc/", 0) == 0;
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      error = Failure(EISDIR);
      return false;
    }
    if (!S_ISREG(st.st_mode) || special) {
      // A device or a pipe: written in place, as it comes.
      fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
      if (fd < 0) {
        error = Failure(errno);
        return false;
      }
    } else {
      // The file a symbolic link names is the one replaced, not the link.
      std::error_code ignored;
      const auto real = std::filesystem::canonical(path, ignored);
      if (!real.empty()) target_ = real.string();
      mode = st.st_mode & 07777;
    }
  }
  if (fd < 0) {
    fd = CreateTemporary(target_, mode, temporary_);
    if (fd < 0) {
      temporary_.clear();
      error = Failure(errno);
      return false;
    }
    // The mode of a replaced file, which the umask may have narrowed.
    if (mode != 0666) ::fchmod(fd, mode);
  }
  buffer_ = std::make_unique<Buffer>(fd);
  stream_.rdbuf(buffer_.get());
  stream_.clear();
  return true;
}

bool AtomicOutputFile::failed() const {
  return buffer_ != nullptr && buffer_->error() != 0;
}

bool AtomicOutputFile::Close(std::string& error) {
  if (buffer_ == nullptr) return true;
  if (!closed_) {
    closed_ = true;
    buffer_->Drain();
    // A full disk may only show when the data reach it.
    if (!temporary_.empty() && buffer_->error() == 0 && ::fsync(buffer_->fd()) != 0)
      buffer_->Fail(errno);
    buffer_->CloseFd();
    close_error_ = buffer_->error();
    if (close_error_ != 0 && !temporary_.empty()) {
      ::unlink(temporary_.c_str());
      temporary_.clear();
    }
  }
  if (close_error_ != 0) error = Failure(close_error_);
  return close_error_ == 0;
}

bool AtomicOutputFile::Commit(std::string& error) {
  if (!Close(error)) return false;
  if (!temporary_.empty()) {
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
      error = Failure(errno);
      Discard();
      return false;
    }
    temporary_.clear();
    SyncFolder(std::filesystem::path(target_).parent_path());
  }
  committed_ = true;
  return true;
}

void AtomicOutputFile::Discard() {
  if (buffer_ != nullptr && !closed_) {
    closed_ = true;
    buffer_->CloseFd();  // what is still buffered is dropped with the file
    close_error_ = buffer_->error();
  }
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

}  // namespace vordex::cli
