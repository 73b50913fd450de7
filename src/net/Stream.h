// Receive streams of the HTTP client: a file on disk or memory. The client
// writes every body byte in order and, after following a relocation, cuts
// the relocation's own body off the end again.
#pragma once
#include <cstdio>
#include <memory>
#include <string>

namespace ombrix {

class TStream {
 public:
  virtual ~TStream() = default;
  virtual bool Write(const char* data, std::size_t len) = 0;  // false: not written
  virtual long long Size() = 0;
  virtual bool Truncate(long long size) = 0;  // writing goes on at the new end
};

class TMemoryStream : public TStream {
 public:
  bool Write(const char* data, std::size_t len) override {
    data_.append(data, len);
    return true;
  }
  long long Size() override { return static_cast<long long>(data_.size()); }
  bool Truncate(long long size) override {
    if (size < Size()) data_.resize(static_cast<std::size_t>(size));
    return true;
  }
  const std::string& Data() const { return data_; }

 private:
  std::string data_;
};

class TFileStream : public TStream {
 public:
  // Creates path as a new, empty file; throws std::runtime_error when it cannot.
  explicit TFileStream(const std::string& path);
  ~TFileStream() override;
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  bool Write(const char* data, std::size_t len) override;
  long long Size() override { return size_; }
  bool Truncate(long long size) override;
  void Close();

 private:
  std::string path_;
  std::FILE* file_ = nullptr;
  long long size_ = 0;
};

}  // namespace ombrix
