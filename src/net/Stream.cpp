#include "net/Stream.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace ombrix {

TFileStream::TFileStream(const std::string& path) : path_(path) {
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) throw std::runtime_error("Cannot create file " + path);
}

TFileStream::~TFileStream() { Close(); }

bool TFileStream::Write(const char* data, std::size_t len) {
  if (!file_) return false;
  std::size_t n = std::fwrite(data, 1, len, file_);
  size_ += static_cast<long long>(n);
  return n == len;
}

bool TFileStream::Truncate(long long size) {
  if (!file_ || size >= size_) return file_ != nullptr;
  if (std::fflush(file_) != 0) return false;
  std::error_code ec;
  std::filesystem::resize_file(std::filesystem::path(path_), static_cast<std::uintmax_t>(size), ec);
  if (ec) return false;
  if (std::fseek(file_, static_cast<long>(size), SEEK_SET) != 0) return false;
  size_ = size;
  return true;
}

void TFileStream::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}

}  // namespace ombrix
