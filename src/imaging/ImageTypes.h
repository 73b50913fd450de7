// Types shared by the decoders, the 8-bit bitmap and the BMP writer: colours,
// palettes, the error every image operation raises, and the size guard.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace ombrix {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
  // From a Windows COLORREF (0x00BBGGRR), the way colours are written in
  // the program's settings of brushes and fonts.
  static constexpr Rgb FromColorRef(uint32_t c) {
    return Rgb{static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>((c >> 8) & 0xFF),
               static_cast<uint8_t>((c >> 16) & 0xFF)};
  }
  constexpr uint32_t Packed() const { return (uint32_t{r} << 16) | (uint32_t{g} << 8) | b; }
};

using Palette = std::vector<Rgb>;  // at most 256 entries

// Raised by loading, drawing and saving; the conversions report its text.
class ImageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Decoders return their result or the reason they refused the data.
template <typename T>
class Decoded {
 public:
  Decoded(T value) : v_(std::move(value)) {}
  static Decoded Fail(std::string message) { return Decoded(Error{std::move(message)}); }
  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }
  T& value() { return std::get<0>(v_); }
  const T& value() const { return std::get<0>(v_); }
  const std::string& error() const { return std::get<1>(v_).message; }
  // The value, or ImageError with the message.
  T take() {
    if (!ok()) throw ImageError(error());
    return std::move(std::get<0>(v_));
  }

 private:
  struct Error {
    std::string message;
  };
  explicit Decoded(Error e) : v_(std::move(e)) {}
  std::variant<T, Error> v_;
};

// An image whose 8-bit bitmap would need more than this is refused before
// anything is allocated, so a hostile header cannot exhaust memory.
constexpr uint64_t kMaxBitmapBytes = 256ull * 1024 * 1024;

inline bool BitmapSizeAllowed(uint64_t width, uint64_t height) {
  if (width == 0 || height == 0) return true;
  uint64_t row = (width + 3) & ~uint64_t{3};
  return width <= kMaxBitmapBytes && height <= kMaxBitmapBytes && row * height <= kMaxBitmapBytes;
}

std::string ImageTooLargeText(uint64_t width, uint64_t height);

}  // namespace ombrix
