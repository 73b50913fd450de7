// A reader over a byte buffer that cannot run past its end: every read checks
// the bytes left, and a short buffer sets a sticky failure instead of reading.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace ombrix {

class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> data) : data_(data) {}

  size_t Position() const { return pos_; }
  size_t Remaining() const { return data_.size() - pos_; }
  bool Failed() const { return failed_; }
  bool AtEnd() const { return pos_ >= data_.size(); }

  bool Has(size_t n) {
    if (failed_ || n > Remaining()) {
      failed_ = true;
      return false;
    }
    return true;
  }
  uint8_t U8() {
    if (!Has(1)) return 0;
    return data_[pos_++];
  }
  uint16_t U16LE() {
    if (!Has(2)) return 0;
    uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  uint32_t U32LE() {
    if (!Has(4)) return 0;
    uint32_t v = uint32_t{data_[pos_]} | (uint32_t{data_[pos_ + 1]} << 8) | (uint32_t{data_[pos_ + 2]} << 16) |
                 (uint32_t{data_[pos_ + 3]} << 24);
    pos_ += 4;
    return v;
  }
  uint32_t U32BE() {
    if (!Has(4)) return 0;
    uint32_t v = (uint32_t{data_[pos_]} << 24) | (uint32_t{data_[pos_ + 1]} << 16) | (uint32_t{data_[pos_ + 2]} << 8) |
                 uint32_t{data_[pos_ + 3]};
    pos_ += 4;
    return v;
  }
  // A view of the next n bytes (empty and failed when fewer are left).
  std::span<const uint8_t> Bytes(size_t n) {
    if (!Has(n)) return {};
    auto s = data_.subspan(pos_, n);
    pos_ += n;
    return s;
  }
  bool Skip(size_t n) {
    if (!Has(n)) return false;
    pos_ += n;
    return true;
  }
  bool Seek(size_t pos) {
    if (failed_ || pos > data_.size()) {
      failed_ = true;
      return false;
    }
    pos_ = pos;
    return true;
  }

 private:
  std::span<const uint8_t> data_;
  size_t pos_ = 0;
  bool failed_ = false;
};

}  // namespace ombrix
