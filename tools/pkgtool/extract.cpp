#include "extract.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <set>
#include <span>
#include <string_view>

#include "code_page.h"
#include "write_all.h"

namespace pkgtool {

namespace {

// Splits an entry name into host path components; false when it would leave the folder.
bool Components(const std::string& name, std::vector<std::string>* parts) {
  parts->clear();
  std::string current;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    if (i == name.size() || name[i] == '\\' || name[i] == '/') {
      if (current == "." || current == "..") return false;
      if (!current.empty()) parts->push_back(HostText(current.c_str()));
      current.clear();
    } else {
      current.push_back(name[i]);
    }
  }
  return !parts->empty();
}

// What is at a host path, not following a symbolic link.
enum class Found { kNothing, kFolder, kFile, kLink };

Found Lookup(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return Found::kNothing;
  if (S_ISLNK(info.st_mode)) return Found::kLink;
  return S_ISDIR(info.st_mode) ? Found::kFolder : Found::kFile;
}

// Nothing or a folder at `path`, where a folder goes.
bool CheckFolder(const std::string& path, std::string* error) {
  const Found found = Lookup(path);
  if (found == Found::kNothing || found == Found::kFolder) return true;
  *error = path + (found == Found::kLink ? ": refusing to write through a symbolic link"
                                         : ": exists and is not a folder");
  return false;
}

// Nothing at `path`, where a file goes, or - when `overwrite` - a file.
bool CheckFile(const std::string& path, bool overwrite, std::string* error) {
  switch (Lookup(path)) {
    case Found::kNothing:
      return true;
    case Found::kFile:
      if (overwrite) return true;
      *error = path + ": exists (--force overwrites it)";
      return false;
    case Found::kFolder:
      *error = path + ": exists and is a folder";
      return false;
    case Found::kLink:
      *error = path + ": refusing to write through a symbolic link";
      return false;
  }
  return false;
}

bool MakeFolder(const std::string& path, std::string* error) {
  if (!CheckFolder(path, error)) return false;
  if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

// The mode open() would give a new file (0666 less the umask), which mkostemp does not;
// the umask can only be read by setting it, so it is read once.
mode_t NewFileMode() {
  static const mode_t mode = [] {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
  }();
  return mode;
}

// Writes `data` as the file `path`, whole or not at all: under a temporary name in its
// folder first, then renamed over it (`overwrite`) or linked to its name, which fails
// when a file appeared there since the check. Never through a symbolic link.
bool WriteHostFile(const std::string& path, const AnsiString& data, bool overwrite,
                   std::string* error) {
  struct stat existing {};
  if (::lstat(path.c_str(), &existing) == 0 && S_ISLNK(existing.st_mode)) {
    *error = path + ": refusing to write through a symbolic link";
    return false;
  }
  const std::size_t slash = path.find_last_of('/');
  std::string temporary =
      (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + ".extract-XXXXXX";
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  const auto fail = [&](int code) {
    *error = path + ": " + std::strerror(code);
    ::unlink(temporary.c_str());
    return false;
  };
  if (::fchmod(fd, NewFileMode()) != 0 ||
      !tool::WriteAll(fd, data.data, static_cast<std::size_t>(data.length))) {
    const int code = errno;
    ::close(fd);
    return fail(code);
  }
  if (::close(fd) != 0) return fail(errno);
  if (overwrite) return ::rename(temporary.c_str(), path.c_str()) == 0 || fail(errno);
  if (::link(temporary.c_str(), path.c_str()) != 0) return fail(errno);
  ::unlink(temporary.c_str());
  return true;
}

// One entry to write: its name, the folders below the target it needs, its file.
struct PlannedEntry {
  const char* name;
  std::vector<std::string> folders;  // relative, outermost first
  std::string file;                  // relative
};

// Checks every entry against the names before it and against the host's files, and
// lists what to write. False with *error set at the first entry refused.
bool Plan(std::span<const System::IO::PackageEntry> entries, const std::string& folder,
          bool overwrite, std::vector<PlannedEntry>* plan, std::vector<std::string>* warnings,
          std::string* error) {
  if (!CheckFolder(folder, error)) return false;
  std::set<std::string_view> seen;
  // Relative paths planned so far: the entry writing each file, or "" for a folder.
  std::map<std::string, std::string> planned;
  std::vector<std::string> parts;
  for (const System::IO::PackageEntry& entry : entries) {
    const std::string shown = "entry '" + HostText(entry.name) + "'";
    if (!seen.insert(entry.name).second) {
      warnings->push_back("duplicate " + shown + " skipped: the updater reads the first");
      continue;
    }
    if (!Components(entry.name, &parts)) {
      *error = shown + ": the name would leave the folder";
      return false;
    }
    PlannedEntry next{entry.name, {}, {}};
    std::string relative;
    for (std::size_t p = 0; p < parts.size(); ++p) {
      relative += (p == 0 ? "" : "/") + parts[p];
      const bool isFile = p + 1 == parts.size();
      const auto [before, isNew] = planned.try_emplace(relative, isFile ? shown : "");
      if (!isNew && (isFile || !before->second.empty())) {
        *error = shown + ": writes the same path as " +
                 (before->second.empty() ? "the folder of another entry" : before->second) + ": " +
                 relative;
        return false;
      }
      const std::string path = folder + "/" + relative;
      if (!(isFile ? CheckFile(path, overwrite, error) : CheckFolder(path, error))) return false;
      if (isFile) {
        next.file = relative;
      } else {
        next.folders.push_back(relative);
      }
    }
    plan->push_back(std::move(next));
  }
  return true;
}

}  // namespace

std::string HostText(const char* narrow) { return emu::Utf16ToUtf8(emu::AnsiToUtf16(narrow)); }

bool ExtractAll(PackageView& view, const std::string& folder, bool overwrite,
                const ExtractProgress& progress, std::vector<std::string>* warnings,
                std::string* error) {
  System::IO::ResourcePackage& package = view.package();
  std::vector<PlannedEntry> plan;
  if (!Plan(package.Entries(), folder, overwrite, &plan, warnings, error)) return false;
  if (!MakeFolder(folder, error)) return false;
  std::uint64_t bytes = 0;
  for (std::size_t i = 0; i < plan.size(); ++i) {
    for (const std::string& relative : plan[i].folders) {
      if (!MakeFolder(folder + "/" + relative, error)) return false;
    }
    const AnsiString data = package.ReadEntry(plan[i].name);
    if (!WriteHostFile(folder + "/" + plan[i].file, data, overwrite, error)) return false;
    bytes += static_cast<std::uint64_t>(data.length);
    if (progress) progress(i + 1, plan.size(), bytes);
  }
  return true;
}

}  // namespace pkgtool
