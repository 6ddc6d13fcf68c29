#include "extract.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <string_view>

#include "code_page.h"

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

// Makes `path` a folder unless it is one; a symbolic link or a file there is refused.
bool EnsureFolder(const std::string& path, std::string* error) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return true;
    *error = path + (S_ISLNK(info.st_mode) ? ": refusing to write through a symbolic link"
                                           : ": exists and is not a folder");
    return false;
  }
  if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

bool WriteHostFile(const std::string& path, const AnsiString& data, std::string* error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) {
    *error = path + (errno == ELOOP ? ": refusing to write through a symbolic link"
                                    : ": " + std::string(std::strerror(errno)));
    return false;
  }
  std::size_t written = 0;
  while (written < static_cast<std::size_t>(data.length)) {
    const ssize_t n = ::write(fd, data.data + written, data.length - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *error = path + ": " + std::strerror(errno);
      ::close(fd);
      return false;
    }
    written += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace

std::string HostText(const char* narrow) { return emu::Utf16ToUtf8(emu::AnsiToUtf16(narrow)); }

bool ExtractAll(PackageView& view, const std::string& folder,
                const std::function<void(std::size_t, std::size_t)>& progress,
                std::vector<std::string>* warnings, std::string* error) {
  if (!EnsureFolder(folder, error)) return false;
  System::IO::ResourcePackage& package = view.package();
  std::set<std::string_view> seen;
  std::vector<std::string> parts;
  const std::span<const System::IO::PackageEntry> entries = package.Entries();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const char* const name = entries[i].name;
    if (!seen.insert(name).second) {
      warnings->push_back("duplicate entry '" + HostText(name) +
                          "' skipped: the updater reads the first");
      continue;
    }
    if (!Components(name, &parts)) {
      *error = "entry '" + HostText(name) + "': the name would leave the folder";
      return false;
    }
    std::string path = folder;
    for (std::size_t p = 0; p + 1 < parts.size(); ++p) {
      path += "/" + parts[p];
      if (!EnsureFolder(path, error)) return false;
    }
    path += "/" + parts.back();
    if (!WriteHostFile(path, package.ReadEntry(name), error)) return false;
    if (progress) progress(i + 1, entries.size());
  }
  return true;
}

}  // namespace pkgtool
