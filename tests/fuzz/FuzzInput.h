// Splits a fuzzer's input into the small values and texts a target needs. Texts end at a NUL
// byte of the input (which is consumed) or at the input's end, so the fuzzer controls their
// lengths; every text is returned NUL-terminated in a std::string of exactly that length.
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

class FuzzInput {
 public:
  FuzzInput(const uint8_t *data, size_t size) : data_(data), size_(size) {}

  bool empty() const { return size_ == 0; }

  uint8_t Byte() {
    if (!size_) return 0;
    --size_;
    return *data_++;
  }

  uint32_t Word() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | Byte();
    return value;
  }

  // The bytes up to the next NUL or the end of the input.
  std::string Text() {
    size_t n = 0;
    while (n < size_ && data_[n]) ++n;
    std::string text(reinterpret_cast<const char *>(data_), n);
    if (n < size_) ++n;  // the NUL that ended it
    data_ += n;
    size_ -= n;
    return text;
  }

  // Everything that is left, NULs included.
  std::string Rest() {
    std::string rest(reinterpret_cast<const char *>(data_), size_);
    data_ += size_;
    size_ = 0;
    return rest;
  }

 private:
  const uint8_t *data_;
  size_t size_;
};

// Stops the run with a message the fuzzer reports as a crash.
#define FUZZ_CHECK(condition)                                                   \
  do {                                                                          \
    if (!(condition)) {                                                         \
      fprintf(stderr, "check failed: %s at %s:%d\n", #condition, __FILE__,      \
              __LINE__);                                                        \
      abort();                                                                  \
    }                                                                           \
  } while (0)
