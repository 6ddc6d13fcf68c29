// The ISA-L engine. The file is read through the platform's buffered file interface in
// large blocks; isal_inflate parses each member's header, inflates, and checks the
// trailer's CRC and length. What zlib's gzip file interface decides around the members
// is done here the same way: where plain data begins, where the next member begins,
// what counts as trailing bytes, and what a file cut short gives.
#include "package/gzip_reader_isal.h"

#include <isa-l/igzip_lib.h>

#include <cstring>
#include <utility>

#include "platform/ce.h"

namespace {

constexpr std::size_t kInputSize = std::size_t{256} * 1024;
// The signature, the method and the flags of a member header.
constexpr std::size_t kFixedHeaderCheck = 4;

class IsalGzipReader : public GzipReader {
 public:
  explicit IsalGzipReader(ce::FILE* file)
      : file_(file),
        input_(std::make_unique_for_overwrite<unsigned char[]>(kInputSize)),
        state_(std::make_unique<inflate_state>()) {}
  ~IsalGzipReader() override {
    if (file_ != nullptr) ce::fclose(file_);
  }

  int Read(unsigned char* buffer, unsigned size) override;
  bool Close() override {
    const bool closed = ce::fclose(std::exchange(file_, nullptr)) == 0;
    return closed && !cutOff_ && !failed_;
  }

 private:
  enum class Mode { kLook, kCopy, kInflate, kEnd };

  // Moves the unread input to the front and fills the rest of the block from the file.
  void Fill();
  // Decides what the input holds next: a member, plain data, or nothing more.
  void Look();
  // Copy plain data, or inflate the current member, into `out`, which has `room` bytes;
  // each gives the count of bytes it wrote. A damaged member sets failed_.
  std::size_t CopyPlain(unsigned char* out, std::size_t room);
  std::size_t InflateMember(unsigned char* out, std::size_t room);

  ce::FILE* file_;
  const std::unique_ptr<unsigned char[]> input_;
  const std::unique_ptr<inflate_state> state_;
  unsigned char* next_ = nullptr;
  std::size_t available_ = 0;
  bool fileEnded_ = false;
  Mode mode_ = Mode::kLook;
  // Plain data is possible only at the start: after a member, other bytes are ignored.
  bool atStart_ = true;
  bool cutOff_ = false;
  bool failed_ = false;
};

void IsalGzipReader::Fill() {
  if (fileEnded_) return;
  if (available_ > 0 && next_ != input_.get()) std::memmove(input_.get(), next_, available_);
  next_ = input_.get();
  while (available_ < kInputSize) {
    const std::size_t read = ce::fread(next_ + available_, 1, kInputSize - available_, file_);
    if (read == 0) {
      fileEnded_ = true;
      break;
    }
    available_ += read;
  }
}

void IsalGzipReader::Look() {
  if (available_ < kFixedHeaderCheck) Fill();
  if (available_ == 0) {
    mode_ = Mode::kEnd;
  } else if (available_ >= 2 && next_[0] == 31 && next_[1] == 139) {
    // isal_inflate accepts a method byte whose low four bits say deflate and ignores the
    // reserved flags; zlib refuses both. A shorter rest is a member cut off, for both.
    if (available_ >= kFixedHeaderCheck && (next_[2] != 8 || (next_[3] & 0xE0) != 0)) {
      failed_ = true;
      return;
    }
    isal_inflate_reset(state_.get());
    state_->crc_flag = ISAL_GZIP;
    atStart_ = false;
    mode_ = Mode::kInflate;
  } else if (atStart_) {
    mode_ = Mode::kCopy;
  } else {
    available_ = 0;  // trailing bytes after the last member
    mode_ = Mode::kEnd;
  }
}

std::size_t IsalGzipReader::CopyPlain(unsigned char* out, std::size_t room) {
  if (available_ == 0) {
    Fill();
    if (available_ == 0) {
      mode_ = Mode::kEnd;
      return 0;
    }
  }
  const std::size_t count = available_ < room ? available_ : room;
  std::memcpy(out, next_, count);
  next_ += count;
  available_ -= count;
  return count;
}

std::size_t IsalGzipReader::InflateMember(unsigned char* out, std::size_t room) {
  if (available_ == 0) {
    Fill();
    if (available_ == 0) {
      cutOff_ = true;  // the member is not complete
      mode_ = Mode::kEnd;
      return 0;
    }
  }
  inflate_state& state = *state_;
  state.next_in = next_;
  state.avail_in = static_cast<std::uint32_t>(available_);
  state.next_out = out;
  state.avail_out = static_cast<std::uint32_t>(room);
  const int result = isal_inflate(&state);
  const bool moved = state.next_in != next_ || state.avail_out != room;
  // A gzip member never asks for a dictionary; no progress would loop for ever.
  if (result != ISAL_DECOMP_OK || (!moved && state.block_state != ISAL_BLOCK_FINISH)) {
    failed_ = true;
    return 0;
  }
  next_ = state.next_in;
  available_ = state.avail_in;
  if (state.block_state == ISAL_BLOCK_FINISH) mode_ = Mode::kLook;
  return room - state.avail_out;
}

int IsalGzipReader::Read(unsigned char* buffer, unsigned size) {
  unsigned got = 0;
  while (!failed_ && got < size && mode_ != Mode::kEnd) {
    switch (mode_) {
      case Mode::kLook:
        Look();
        break;
      case Mode::kCopy:
        got += static_cast<unsigned>(CopyPlain(buffer + got, size - got));
        break;
      case Mode::kInflate:
        got += static_cast<unsigned>(InflateMember(buffer + got, size - got));
        break;
      case Mode::kEnd:
        break;
    }
  }
  return failed_ ? -1 : static_cast<int>(got);
}

}  // namespace

std::unique_ptr<GzipReader> OpenIsalGzipReader(const char* path) {
  ce::FILE* const file = ce::fopen(path, "rb");
  if (file == nullptr) return nullptr;
  return std::make_unique<IsalGzipReader>(file);
}
