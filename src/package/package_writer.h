// Writing packages: the counterpart of ResourcePackage, for the package tools and tests.
//
// A package is made for the one file name under which the updater will open it (the
// delivered name without its last extension): that name keys the substitution that
// scrambles every entry name, and the data of entries written scrambled. Names are
// narrow text in the device code page, 0 to 67 bytes.
//
// The writer streams: the header first, then each entry's record and its data, which
// may arrive in pieces. It works on host files, not on a device.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace pkg {

// Encodes plain bytes the way the reader's table decodes them, for one file name.
class Scrambler {
 public:
  // `fileName`: narrow, device code page; a path is reduced to its file-name part.
  explicit Scrambler(std::string_view fileName);
  unsigned char Encode(unsigned char plain) const { return encode_[plain]; }
  unsigned char Decode(unsigned char stored) const { return decode_[stored]; }
  void EncodeInPlace(char* bytes, std::size_t count) const;

 private:
  unsigned char encode_[256];
  unsigned char decode_[256];
};

// Where package bytes go. Returns false once a write fails; the message says why.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual bool Write(const void* bytes, std::size_t count) = 0;
  // Flushes and closes; false when anything failed.
  virtual bool Finish() = 0;
  virtual const std::string& error() const = 0;
};

// A plain host file, created or truncated.
class FileSink : public ByteSink {
 public:
  explicit FileSink(const std::string& path);
  ~FileSink() override;
  bool ok() const { return file_ != nullptr; }
  bool Write(const void* bytes, std::size_t count) override;
  bool Finish() override;
  const std::string& error() const override { return error_; }

 private:
  std::FILE* file_;
  std::string path_;
  std::string error_;
};

// A gzip-compressed host file at `level` (0-9).
class GzipSink : public ByteSink {
 public:
  GzipSink(const std::string& path, int level);
  ~GzipSink() override;
  bool ok() const { return file_ != nullptr; }
  bool Write(const void* bytes, std::size_t count) override;
  bool Finish() override;
  const std::string& error() const override { return error_; }

 private:
  gzFile file_;
  std::string path_;
  std::string error_;
};

// Collects the bytes in memory: for tests and for small packages.
class StringSink : public ByteSink {
 public:
  bool Write(const void* bytes, std::size_t count) override;
  bool Finish() override { return true; }
  const std::string& error() const override { return error_; }
  std::string bytes;

 private:
  std::string error_;
};

class PackageWriter {
 public:
  // Writes the header at once. `sink` must outlive the writer.
  PackageWriter(ByteSink& sink, std::string_view fileName, std::int32_t entryCount,
                std::uint32_t firstWord = 0);

  // Starts an entry of `size` bytes whose data follows through AddData. False (and the
  // reason in `error()`) for a name over 67 bytes, more entries than announced, or an
  // entry begun before the previous one got all its bytes.
  bool BeginEntry(std::string_view name, std::int32_t size, bool scrambleData);
  bool AddData(std::string_view data);
  // BeginEntry with the whole data.
  bool AddEntry(std::string_view name, std::string_view data, bool scrambleData);
  // Checks that every announced entry and byte was written, then finishes the sink.
  bool Finish();

  const std::string& error() const { return error_; }

 private:
  bool WriteWord(std::uint32_t value);
  bool Fail(std::string message);

  ByteSink& sink_;
  const Scrambler scrambler_;
  std::int32_t entriesLeft_;
  std::int64_t dataLeft_ = 0;
  bool scrambleCurrent_ = false;
  std::string buffer_;
  std::string error_;
};

// One entry for BuildPackage.
struct EntrySource {
  std::string name;
  std::string data;
  bool scrambled = false;
};

// The bytes of a whole package for `fileName`, in the given entry order. Names must be
// valid (at most 67 bytes).
std::string BuildPackage(std::string_view fileName, const std::vector<EntrySource>& entries);

}  // namespace pkg
