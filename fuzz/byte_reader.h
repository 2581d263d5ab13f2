// Reading a fuzzer's input as a stream of small decisions.
#ifndef VORDEX_FUZZ_BYTE_READER_H
#define VORDEX_FUZZ_BYTE_READER_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace vordex::fuzz {

// Takes bytes from the front of the input; once it is used up every read gives zero, so that a
// short input still decodes into a whole request (the fuzzer learns to extend it).
class ByteReader {
 public:
  ByteReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Byte() | (Byte() << 8)); }
  std::uint32_t U32() { return U16() | (static_cast<std::uint32_t>(U16()) << 16); }
  double RawDouble() {
    std::uint64_t bits = U32() | (static_cast<std::uint64_t>(U32()) << 32);
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
  }
  // One of the entries of a table.
  template <class T>
  const T& Pick(std::span<const T> table) {
    return table[Byte() % table.size()];
  }
  std::size_t remaining() const { return size_ - at_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace vordex::fuzz

#endif  // VORDEX_FUZZ_BYTE_READER_H
