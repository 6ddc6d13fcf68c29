#include "listing.h"

#include "code_page.h"
#include "error_text.h"
#include "json_text.h"

namespace devicectl {
namespace {

bool IsFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::u16string WithSeparator(std::u16string folder) {
  if (folder.empty() || (folder.back() != u'\\' && folder.back() != u'/')) folder += u'\\';
  return folder;
}

// Appends the content of `folder`, or with `pattern` what it finds there, names prefixed
// by `prefix`; with `recursive` each folder is followed by its content. `shown` names
// what is listed in an error.
bool ListIn(const std::u16string& folder, const std::u16string& pattern, const std::string& shown,
            const std::string& prefix, bool recursive, std::vector<ListedEntry>* entries,
            std::string* error) {
  const std::u16string search = pattern.empty() ? WithSeparator(folder) + u'*' : pattern;
  WIN32_FIND_DATAW data;
  HANDLE found = FindFirstFileW(search.c_str(), &data);
  if (found == INVALID_HANDLE_VALUE) {
    const DWORD failure = GetLastError();
    // An empty folder lists nothing; anything else is an error.
    if (failure == ERROR_FILE_NOT_FOUND && pattern.empty()) return true;
    *error = shown + ": " + DescribeError(failure);
    return false;
  }
  std::vector<ListedEntry> level;
  do {
    level.push_back({prefix + emu::Utf16ToUtf8(data.cFileName), data.dwFileAttributes,
                     (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow});
  } while (FindNextFileW(found, &data));
  FindClose(found);
  for (ListedEntry& entry : level) {
    const bool descend = recursive && IsFolder(entry.attributes);
    const std::string name = entry.name;
    entries->push_back(std::move(entry));
    if (!descend) continue;
    const std::u16string below =
        WithSeparator(folder) + emu::Utf8ToUtf16(name.substr(prefix.size()));
    if (!ListIn(below, u"", emu::Utf16ToUtf8(below), name + "\\", true, entries, error)) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool ListDevicePath(const std::string& path, bool recursive, std::vector<ListedEntry>* entries,
                    std::string* error) {
  entries->clear();
  const std::u16string wide = emu::Utf8ToUtf16(path);
  if (IsFolder(GetFileAttributesW(wide.c_str()))) {
    return ListIn(wide, u"", path, "", recursive, entries, error);
  }
  // A file or a pattern: its folder is what stands before the last separator.
  const std::size_t separator = wide.find_last_of(u"\\/");
  const std::u16string folder =
      separator == std::u16string::npos ? u"\\" : wide.substr(0, separator + 1);
  return ListIn(folder, wide, path, "", recursive, entries, error);
}

std::string AttributeLetters(DWORD attributes) {
  std::string letters = "-----";
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) letters[0] = 'D';
  if (attributes & FILE_ATTRIBUTE_HIDDEN) letters[1] = 'H';
  if (attributes & FILE_ATTRIBUTE_READONLY) letters[2] = 'R';
  if (attributes & FILE_ATTRIBUTE_SYSTEM) letters[3] = 'S';
  if (attributes & FILE_ATTRIBUTE_ARCHIVE) letters[4] = 'A';
  return letters;
}

std::string ListingText(const std::vector<ListedEntry>& entries) {
  std::string text;
  for (const ListedEntry& entry : entries) {
    text += AttributeLetters(entry.attributes) + "\t" + std::to_string(entry.size) + "\t" +
            entry.name + "\n";
  }
  return text;
}

std::string ListingJson(const std::vector<ListedEntry>& entries) {
  if (entries.empty()) return "[]\n";
  std::string json = "[\n";
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const ListedEntry& entry = entries[i];
    json += "  {\"name\": ";
    emu::AppendJsonString(json, entry.name);
    json += ", \"attributes\": \"" + AttributeLetters(entry.attributes) + "\", \"folder\": ";
    json += IsFolder(entry.attributes) ? "true" : "false";
    json += ", \"size\": " + std::to_string(entry.size) + "}";
    json += i + 1 < entries.size() ? ",\n" : "\n";
  }
  return json + "]\n";
}

}  // namespace devicectl
