#include "deliveries.h"

#include "testing/gzip_bytes.h"

namespace hostile {

std::string Product(std::string_view deliveredName, std::string_view script,
                    const std::vector<pkg::EntrySource>& files) {
  std::string_view packageName = deliveredName;
  if (packageName.ends_with(".gz")) packageName.remove_suffix(3);
  std::vector<pkg::EntrySource> entries{{"InstallScript.xml", std::string(script), false}};
  entries.insert(entries.end(), files.begin(), files.end());
  return test::GzipBytes(pkg::BuildPackage(packageName, entries));
}

RawPackage& RawPackage::Word(std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>(value >> shift);
  return *this;
}

RawPackage& RawPackage::Name(std::string_view name) {
  std::string scrambled(name);
  scrambler_.EncodeInPlace(scrambled.data(), scrambled.size());
  bytes += scrambled;
  return *this;
}

RawPackage& RawPackage::Bytes(std::string_view raw) {
  bytes += raw;
  return *this;
}

RawPackage& RawPackage::Entry(std::string_view name, std::string_view data) {
  Word(static_cast<std::uint32_t>(name.size())).Name(name);
  Word(static_cast<std::uint32_t>(data.size())).Word(0);
  return Bytes(data);
}

std::string GzipBomb(std::size_t memberBytes, int members) {
  const std::string member = test::GzipBytes(std::string(memberBytes, '\0'), 9);
  return Repeat(member, static_cast<std::size_t>(members));
}

std::string Repeat(std::string_view text, std::size_t times) {
  std::string result;
  result.reserve(text.size() * times);
  for (std::size_t i = 0; i < times; ++i) result += text;
  return result;
}

}  // namespace hostile
