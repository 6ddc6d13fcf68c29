#include "delivered_name.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>
#include <vector>

#include "code_page.h"
#include "install/script_words.h"

namespace pkgtool {

namespace {

using System::IO::PackageEntry;
using System::IO::ResourcePackage;

constexpr std::string_view kScript = script_words::kScriptEntry;
// How much of the script is searched for the product's program and folder.
constexpr std::int32_t kScriptHead = 64 * 1024;

bool Readable(std::string_view name) {
  if (name.empty()) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte != 0x7F && byte != 0x81 && byte != 0x8D && byte != 0x8F &&
           byte != 0x90 && byte != 0x9D;
  });
}

// The stored (scrambled) bytes of `entry`'s name when it is as long as the script's;
// empty otherwise. Read from the file: a decoded name ends at its first zero byte.
std::string StoredScriptLengthName(const PackageEntry& entry) {
  // The record before the data: nameLength, the name, size, the scrambled flag.
  constexpr long kBack = 4 + static_cast<long>(kScript.size()) + 8;
  unsigned char record[kBack] = {};
  if (ce::fsetpos(entry.stream, &entry.dataPosition) != 0 ||
      ce::fseek(entry.stream, -kBack, SEEK_CUR) != 0 ||
      ce::fread(record, 1, sizeof record, entry.stream) != sizeof record) {
    return {};
  }
  const std::uint32_t length = std::uint32_t{record[0]} | std::uint32_t{record[1]} << 8 |
                               std::uint32_t{record[2]} << 16 | std::uint32_t{record[3]} << 24;
  if (length != kScript.size()) return {};
  return std::string(reinterpret_cast<const char*>(record + 4), kScript.size());
}

struct ScriptUnderKey {
  unsigned key = 0;
  const PackageEntry* entry = nullptr;
};

// The one key under which an entry's name decodes to the script's; none when no key or
// more than one (different entries) does.
std::optional<ScriptUnderKey> FindScriptKey(const ResourcePackage& package) {
  std::optional<ScriptUnderKey> found;
  for (const PackageEntry& entry : package.Entries()) {
    const std::string stored = StoredScriptLengthName(entry);
    if (stored.empty()) continue;
    for (unsigned key = 0; key < 256; ++key) {
      unsigned char table[256];
      System::IO::BuildSubstitutionTable(key, table);
      std::string name = stored;
      for (char& c : name) c = static_cast<char>(table[static_cast<unsigned char>(c)]);
      if (name != kScript) continue;
      if (found && found->key != key) return std::nullopt;
      if (!found) found = ScriptUnderKey{key, &entry};
    }
  }
  return found;
}

// The start of the script's text as it reads under `key`.
std::string ScriptHead(const PackageEntry& entry, unsigned key) {
  std::string text(static_cast<std::size_t>(std::min(entry.size, kScriptHead)), '\0');
  if (ce::fsetpos(entry.stream, &entry.dataPosition) != 0) return {};
  text.resize(ce::fread(text.data(), 1, text.size(), entry.stream));
  if (entry.scrambled != 0) {
    unsigned char table[256];
    System::IO::BuildSubstitutionTable(key, table);
    for (char& c : text) c = static_cast<char>(table[static_cast<unsigned char>(c)]);
  }
  return text;
}

// The text of the first element `<name>` of `script`, empty when there is none.
std::string ElementText(const std::string& script, const std::string& name) {
  const std::size_t open = script.find("<" + name + ">");
  if (open == std::string::npos) return {};
  const std::size_t begin = open + name.size() + 2;
  return script.substr(begin, script.find('<', begin) - begin);
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

// `stem` as written, with its first letter in upper case, capitalised, in lower and in
// upper case.
void AddLetterCases(const std::string& stem, std::vector<std::string>& names) {
  std::string lower = stem;
  std::string upper = stem;
  std::transform(lower.begin(), lower.end(), lower.begin(), AsciiLower);
  std::transform(upper.begin(), upper.end(), upper.begin(), AsciiUpper);
  std::string capitalised = lower;
  if (!capitalised.empty()) capitalised[0] = AsciiUpper(capitalised[0]);
  std::string initial = stem;
  if (!initial.empty()) initial[0] = AsciiUpper(initial[0]);
  for (const std::string& name : {stem, initial, capitalised, lower, upper}) {
    if (!name.empty()) names.push_back(name);
  }
}

// The opened name and what it was likely renamed from: cut before a separator
// ("Suite-1.2", "Suite_v2", "Suite (2)") or without trailing digits, longest first.
void AddRenamings(const std::string& opened, std::vector<std::string>& names) {
  AddLetterCases(opened, names);
  for (std::size_t cut = opened.size(); cut-- > 1;) {
    if (std::string_view("-_ .(").find(opened[cut]) != std::string_view::npos)
      AddLetterCases(opened.substr(0, cut), names);
  }
  const std::size_t digits = opened.find_last_not_of("0123456789");
  if (digits != std::string::npos && digits + 1 < opened.size())
    AddLetterCases(opened.substr(0, digits + 1), names);
}

// The product's program without its extension, its folder, and the folder's words,
// as the script names them.
void AddProductNames(const std::string& script, std::vector<std::string>& names) {
  std::string exe = ElementText(script, std::string(script_words::kExe));
  exe = exe.substr(exe.find_last_of('\\') + 1);
  AddLetterCases(exe.substr(0, exe.rfind('.')), names);
  const std::string appPath = ElementText(script, std::string(script_words::kAppPath));
  const std::string folder = appPath.substr(appPath.find_last_of('\\') + 1);
  AddLetterCases(folder, names);
  for (std::size_t end = folder.size(); end != std::string::npos && end > 0;) {
    const std::size_t space = folder.rfind(' ', end - 1);
    const std::size_t begin = space == std::string::npos ? 0 : space + 1;
    if (begin > 0 || end < folder.size()) AddLetterCases(folder.substr(begin, end - begin), names);
    end = space;
  }
}

bool CanBeFileName(const std::string& name) {
  return !name.empty() && name.find_first_of("\\/:*?\"<>|") == std::string::npos && Readable(name);
}

}  // namespace

std::string DeliveredName::Describe(const std::string& openedAs, bool nested) const {
  if (fit == Fit::kNamesAreNotText) {
    return "the entry names do not read as text under the name '" + openedAs +
           "': the package was probably made for another file name";
  }
  std::string text = "the entry names do not decode under the name '" + openedAs +
                     "', so the updater installs nothing: the package was made for another "
                     "file name";
  if (!readsAs.empty()) text += "; delivered as '" + readsAs + ".gz' it reads";
  if (!readsAs.empty() && !nested) text += " (--as " + readsAs + ".gz)";
  return text;
}

DeliveredName CheckDeliveredName(PackageView& view) {
  DeliveredName result;
  ResourcePackage& package = view.package();
  const auto entries = package.Entries();
  if (entries.empty() || package.FindEntry(std::string(kScript).c_str()) != nullptr) return result;

  const std::optional<ScriptUnderKey> script = FindScriptKey(package);
  if (!script) {
    const auto unreadable = std::count_if(entries.begin(), entries.end(),
                                          [](const auto& entry) { return !Readable(entry.name); });
    if (unreadable * 2 >= static_cast<std::ptrdiff_t>(entries.size()))
      result.fit = DeliveredName::Fit::kNamesAreNotText;
    return result;
  }
  result.fit = DeliveredName::Fit::kMadeForAnother;
  std::vector<std::string> candidates;
  AddRenamings(emu::Utf16ToAnsi(emu::Utf8ToUtf16(view.name())), candidates);
  AddProductNames(ScriptHead(*script->entry, script->key), candidates);
  for (const std::string& candidate : candidates) {
    if (!CanBeFileName(candidate)) continue;
    if (System::IO::SubstitutionKey(("\\" + candidate).c_str()) == script->key) {
      result.readsAs = emu::Utf16ToUtf8(emu::AnsiToUtf16(candidate));
      break;
    }
  }
  return result;
}

std::unique_ptr<PackageView> OpenDecoded(const std::string& file,
                                         const std::optional<std::string>& asName,
                                         std::string* error) {
  auto view = PackageView::Open(file, asName.value_or(""), error);
  if (view == nullptr || !view->Whole(error)) return nullptr;
  const DeliveredName delivered = CheckDeliveredName(*view);
  if (delivered.decodes() || (asName && delivered.fit == DeliveredName::Fit::kNamesAreNotText))
    return view;
  *error = file + ": " + delivered.Describe(view->name());
  return nullptr;
}

}  // namespace pkgtool
