#pragma once

// Flat byte messages between the processes of a distributed run: fixed-width numbers (in the
// byte order of the machines, which a run shares) and length-prefixed texts.

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <type_traits>

namespace VnKxHost {

class WireWriter {
 public:
  template <typename T>
  WireWriter& Put(T value) {
    static_assert(std::is_arithmetic<T>::value, "numbers only");
    bytes_.append(reinterpret_cast<const char*>(&value), sizeof(value));
    return *this;
  }
  WireWriter& Put(const std::string& text) {
    Put(static_cast<std::uint64_t>(text.size()));
    bytes_ += text;
    return *this;
  }
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

class WireReader {
 public:
  explicit WireReader(const std::string& bytes) : bytes_(bytes) {}
  // Throws std::runtime_error when the message ends early.
  template <typename T>
  T Get() {
    static_assert(std::is_arithmetic<T>::value, "numbers only");
    T value;
    Need(sizeof(value));
    std::memcpy(&value, bytes_.data() + at_, sizeof(value));
    at_ += sizeof(value);
    return value;
  }
  std::string Text() {
    const auto size = Get<std::uint64_t>();
    Need(size);
    std::string text = bytes_.substr(at_, size);
    at_ += size;
    return text;
  }

 private:
  void Need(std::uint64_t size) const {
    if (size > bytes_.size() - at_)
      throw std::runtime_error("a message between processes ended early");
  }
  const std::string& bytes_;
  std::size_t at_ = 0;
};

}  // namespace VnKxHost
