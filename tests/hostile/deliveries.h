// Hostile deliveries made in memory: products, packages byte by byte, gzip damage and a
// gzip bomb.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "package/package_writer.h"

namespace hostile {

// A delivered product: the gzip of a package made for `deliveredName` without its
// ".gz", holding `script` as "InstallScript.xml" and then `files`.
std::string Product(std::string_view deliveredName, std::string_view script,
                    const std::vector<pkg::EntrySource>& files = {});

// A package written word by word, for headers and records no writer would produce.
class RawPackage {
 public:
  // Names written with Name and Entry are scrambled for `fileName`.
  explicit RawPackage(std::string_view fileName) : scrambler_(fileName) {}

  // A 32-bit little-endian word.
  RawPackage& Word(std::uint32_t value);
  // The bytes of `name`, scrambled.
  RawPackage& Name(std::string_view name);
  RawPackage& Bytes(std::string_view bytes);
  // A whole, valid record with its data, stored plain.
  RawPackage& Entry(std::string_view name, std::string_view data);

  std::string bytes;

 private:
  pkg::Scrambler scrambler_;
};

// `members` gzip members of `memberBytes` zero bytes each, one after the other: a few
// kilobytes per member, whatever `memberBytes` is (about 1 KiB per MiB).
std::string GzipBomb(std::size_t memberBytes, int members);

// `text` repeated `times` times.
std::string Repeat(std::string_view text, std::size_t times);

}  // namespace hostile
