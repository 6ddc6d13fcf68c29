#include "package/resource_package.h"

#include <cstdio>
#include <cstring>

#include "system/path.h"
#include "system/wide_string.h"

namespace System::IO {

namespace {

constexpr std::int64_t kHeaderSize = 8;
// nameLength, size and the scrambled flag: the smallest possible record.
constexpr std::int64_t kMinimumRecordSize = 12;

// Reads one little-endian 32-bit word; false when the file ends first.
bool ReadWord(ce::FILE* stream, std::int32_t& value) {
  unsigned char bytes[4];
  if (ce::fread(bytes, 1, 4, stream) != 4) return false;
  value = static_cast<std::int32_t>(std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                                    std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24);
  return true;
}

}  // namespace

unsigned SubstitutionKey(const char* path) {
  String widePath;
  widePath.AssignFromAnsi(path, static_cast<std::int32_t>(std::strlen(path)));
  const String fileName = GetFileName(widePath);
  unsigned sum = 0;
  for (std::int32_t i = 0; i < fileName.length; ++i) sum += fileName.data[i];
  return sum % 256;
}

void BuildSubstitutionTable(unsigned key, unsigned char* table) {
  const unsigned start = key % 256;
  for (unsigned i = 0; i < 128; ++i) {
    table[(start + i) % 256] = static_cast<unsigned char>(2 * i);
    table[(start + 128 + i) % 256] = static_cast<unsigned char>(2 * i + 1);
  }
}

void BuildSubstitutionTable(const char* path, unsigned char* table) {
  BuildSubstitutionTable(SubstitutionKey(path), table);
}

ResourcePackage::ResourcePackage(const char* path) {
  BuildSubstitutionTable(path, substitution_);
  stream_ = ce::fopen(path, "rb");
  if (stream_ != nullptr && !ReadEntryTable()) Discard();
}

std::size_t ResourcePackage::TableBytes(std::int32_t count) {
  return sizeof(PackageEntry) * static_cast<std::size_t>(count) + EntryIndex::BytesFor(count);
}

ResourcePackage::~ResourcePackage() {
  if (stream_ != nullptr) ce::fclose(stream_);
  delete[] entries;
}

void ResourcePackage::Discard() {
  delete[] entries;
  entries = nullptr;
  entryCount = 0;
  index_ = EntryIndex();
}

bool ResourcePackage::ReadEntryTable() {
  if (ce::fseek(stream_, 0, SEEK_END) != 0) return false;
  const std::int64_t fileSize = ce::ftell(stream_);
  if (fileSize < kHeaderSize || ce::fseek(stream_, 0, SEEK_SET) != 0) return false;

  std::int32_t firstWord = 0;
  std::int32_t count = 0;
  if (!ReadWord(stream_, firstWord) || !ReadWord(stream_, count)) return false;
  // Every record takes at least 12 bytes, which bounds the table by the file's size.
  if (count < 0 || count > (fileSize - kHeaderSize) / kMinimumRecordSize) return false;
  if (TableBytes(count) > kMaxEntryTableBytes) return false;

  entryCount = count;
  entries = new PackageEntry[count]();
  std::int64_t offset = kHeaderSize;
  for (std::int32_t i = 0; i < count; ++i) {
    PackageEntry& entry = entries[i];
    std::int32_t nameLength = 0;
    if (!ReadWord(stream_, nameLength)) return false;
    if (nameLength < 0 || nameLength > kMaxEntryNameLength) return false;
    if (ce::fread(entry.name, 1, static_cast<std::size_t>(nameLength), stream_) !=
        static_cast<std::size_t>(nameLength)) {
      return false;
    }
    for (std::int32_t b = 0; b < nameLength; ++b) {
      entry.name[b] = static_cast<char>(substitution_[static_cast<unsigned char>(entry.name[b])]);
    }
    entry.name[nameLength] = 0;
    if (!ReadWord(stream_, entry.size) || !ReadWord(stream_, entry.scrambled)) return false;
    offset += kMinimumRecordSize + nameLength;
    if (entry.size < 0 || entry.size > fileSize - offset) return false;
    if (ce::fgetpos(stream_, &entry.dataPosition) != 0) return false;
    if (ce::fseek(stream_, entry.size, SEEK_CUR) != 0) return false;
    offset += entry.size;
    entry.stream = stream_;
  }
  // The first entry of a name wins, as a scan in file order would find it.
  index_ = EntryIndex(entries, count);
  return true;
}

PackageEntry* ResourcePackage::FindEntry(const char* name) {
  if (entryCount <= 0 || name == nullptr) return nullptr;
  const std::int32_t found = index_.Find(name);
  return found < 0 ? nullptr : &entries[found];
}

AnsiString ResourcePackage::ReadEntry(const char* name) {
  AnsiString text;
  const PackageEntry* entry = FindEntry(name);
  if (entry == nullptr) return text;
  if (ce::fsetpos(stream_, &entry->dataPosition) != 0) return text;
  text.Resize(entry->size);
  if (entry->size == 0) return text;
  const std::size_t read = ce::fread(text.data, 1, static_cast<std::size_t>(entry->size), stream_);
  std::memset(text.data + read, 0, static_cast<std::size_t>(entry->size) - read);
  if (entry->scrambled != 0) {
    for (std::int32_t i = 0; i < entry->size; ++i) {
      text.data[i] = static_cast<char>(substitution_[static_cast<unsigned char>(text.data[i])]);
    }
  }
  return text;
}

}  // namespace System::IO
