#include "package/package_writer.h"

#include <cerrno>
#include <cstring>

#include "package/resource_package.h"

namespace pkg {

Scrambler::Scrambler(std::string_view fileName) {
  // The reader's own table, so that writer and reader can never disagree.
  const std::string zeroTerminated(fileName);
  System::IO::BuildSubstitutionTable(zeroTerminated.c_str(), decode_);
  for (int stored = 0; stored < 256; ++stored) {
    encode_[decode_[stored]] = static_cast<unsigned char>(stored);
  }
}

void Scrambler::EncodeInPlace(char* bytes, std::size_t count) const {
  for (std::size_t i = 0; i < count; ++i) {
    bytes[i] = static_cast<char>(encode_[static_cast<unsigned char>(bytes[i])]);
  }
}

FileSink::FileSink(const std::string& path) : file_(std::fopen(path.c_str(), "wb")), path_(path) {
  if (file_ == nullptr) error_ = path + ": " + std::strerror(errno);
}

FileSink::~FileSink() {
  if (file_ != nullptr) std::fclose(file_);
}

bool FileSink::Write(const void* bytes, std::size_t count) {
  if (file_ == nullptr) return false;
  if (std::fwrite(bytes, 1, count, file_) != count) {
    error_ = path_ + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool FileSink::Finish() {
  if (file_ == nullptr) return false;
  const bool flushed = std::fflush(file_) == 0;
  const int closed = std::fclose(file_);
  file_ = nullptr;
  if (!flushed || closed != 0) {
    error_ = path_ + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

GzipSink::GzipSink(const std::string& path, int level)
    : file_(::gzopen(path.c_str(), ("wb" + std::to_string(level)).c_str())), path_(path) {
  if (file_ == nullptr) error_ = path + ": " + std::strerror(errno);
}

GzipSink::~GzipSink() {
  if (file_ != nullptr) gzclose(file_);
}

bool GzipSink::Write(const void* bytes, std::size_t count) {
  if (file_ == nullptr) return false;
  // gzwrite takes an unsigned count; write in pieces.
  const auto* cursor = static_cast<const char*>(bytes);
  while (count > 0) {
    const unsigned piece = count > (1u << 30) ? (1u << 30) : static_cast<unsigned>(count);
    if (gzwrite(file_, cursor, piece) != static_cast<int>(piece)) {
      int code = 0;
      error_ = path_ + ": " + gzerror(file_, &code);
      return false;
    }
    cursor += piece;
    count -= piece;
  }
  return true;
}

bool GzipSink::Finish() {
  if (file_ == nullptr) return false;
  const int closed = gzclose(file_);
  file_ = nullptr;
  if (closed != Z_OK) {
    error_ = path_ + ": cannot finish the compressed file";
    return false;
  }
  return true;
}

bool StringSink::Write(const void* bytes, std::size_t count) {
  this->bytes.append(static_cast<const char*>(bytes), count);
  return true;
}

PackageWriter::PackageWriter(ByteSink& sink, std::string_view fileName, std::int32_t entryCount,
                             std::uint32_t firstWord)
    : sink_(sink), scrambler_(fileName), entriesLeft_(entryCount) {
  if (WriteWord(firstWord)) WriteWord(static_cast<std::uint32_t>(entryCount));
}

bool PackageWriter::Fail(std::string message) {
  if (error_.empty()) error_ = std::move(message);
  return false;
}

bool PackageWriter::WriteWord(std::uint32_t value) {
  const unsigned char bytes[4] = {
      static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
      static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
  if (!sink_.Write(bytes, 4)) return Fail(sink_.error());
  return true;
}

bool PackageWriter::BeginEntry(std::string_view name, std::int32_t size, bool scrambleData) {
  if (!error_.empty()) return false;
  if (dataLeft_ != 0) return Fail("entry begun before the previous one got all its data");
  if (entriesLeft_ <= 0) return Fail("more entries than announced");
  if (name.size() > static_cast<std::size_t>(System::IO::kMaxEntryNameLength)) {
    return Fail("entry name longer than " + std::to_string(System::IO::kMaxEntryNameLength) +
                " bytes: " + std::string(name));
  }
  if (size < 0) return Fail("negative entry size");
  --entriesLeft_;
  std::string scrambledName(name);
  scrambler_.EncodeInPlace(scrambledName.data(), scrambledName.size());
  if (!WriteWord(static_cast<std::uint32_t>(name.size()))) return false;
  if (!sink_.Write(scrambledName.data(), scrambledName.size())) return Fail(sink_.error());
  if (!WriteWord(static_cast<std::uint32_t>(size)) || !WriteWord(scrambleData ? 1 : 0))
    return false;
  dataLeft_ = size;
  scrambleCurrent_ = scrambleData;
  return true;
}

bool PackageWriter::AddData(std::string_view data) {
  if (!error_.empty()) return false;
  if (static_cast<std::int64_t>(data.size()) > dataLeft_)
    return Fail("more data than the entry's size");
  dataLeft_ -= static_cast<std::int64_t>(data.size());
  if (!scrambleCurrent_) {
    if (!sink_.Write(data.data(), data.size())) return Fail(sink_.error());
    return true;
  }
  buffer_.assign(data);
  scrambler_.EncodeInPlace(buffer_.data(), buffer_.size());
  if (!sink_.Write(buffer_.data(), buffer_.size())) return Fail(sink_.error());
  return true;
}

bool PackageWriter::AddEntry(std::string_view name, std::string_view data, bool scrambleData) {
  if (data.size() > 0x7FFFFFFF) return Fail("entry larger than 2 GiB: " + std::string(name));
  return BeginEntry(name, static_cast<std::int32_t>(data.size()), scrambleData) && AddData(data);
}

bool PackageWriter::Finish() {
  if (!error_.empty()) return false;
  if (dataLeft_ != 0) return Fail("the last entry is missing data");
  if (entriesLeft_ != 0) return Fail("fewer entries than announced");
  if (!sink_.Finish()) return Fail(sink_.error());
  return true;
}

std::string BuildPackage(std::string_view fileName, const std::vector<EntrySource>& entries) {
  StringSink sink;
  PackageWriter writer(sink, fileName, static_cast<std::int32_t>(entries.size()));
  for (const EntrySource& entry : entries) writer.AddEntry(entry.name, entry.data, entry.scrambled);
  writer.Finish();
  return std::move(sink.bytes);
}

}  // namespace pkg
