#pragma once

// Running ombrexctl's commands in-process; an output stream that never
// allocates, so what the tool prints can be read even while memory runs out.

#include <array>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace ombrex::ctl::test {

// Keeps the first few kilobytes written to it, in place.
class FixedStream : public std::ostream {
 public:
  FixedStream() : std::ostream(&buffer_) {}
  std::string Text() const { return buffer_.Text(); }

 private:
  class Buffer : public std::streambuf {
   public:
    Buffer() { setp(bytes_.data(), bytes_.data() + bytes_.size()); }
    std::string Text() const { return std::string(pbase(), pptr()); }

   protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }  // full: dropped

   private:
    std::array<char, 16384> bytes_{};
  };
  Buffer buffer_;
};

struct CtlRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// One command line, its output collected.
CtlRun Ctl(const std::vector<std::string>& args);

}  // namespace ombrex::ctl::test
