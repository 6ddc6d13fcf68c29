#include "file_transfer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "code_page.h"
#include "error_text.h"
#include "platform/ce.h"
#include "write_all.h"

namespace devicectl {
namespace {

constexpr std::size_t kChunk = std::size_t{64} * 1024;

struct CeFileCloser {
  void operator()(std::FILE* file) const { ce::fclose(file); }
};
using CeFile = std::unique_ptr<std::FILE, CeFileCloser>;

struct HostFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// The device's narrow form of a path; false when a character is outside its code page.
bool NarrowDevicePath(const std::string& path, std::string* narrow) {
  const std::u16string wide = emu::Utf8ToUtf16(path);
  *narrow = emu::Utf16ToAnsi(wide);
  return emu::AnsiToUtf16(*narrow) == wide;
}

// The last name of `path`, separated by any of `separators`; trailing ones ignored.
std::string LastName(std::string_view path, std::string_view separators) {
  while (!path.empty() && separators.find(path.back()) != std::string_view::npos) {
    path.remove_suffix(1);
  }
  const std::size_t separator = path.find_last_of(separators);
  return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

std::string DeviceFailure(const std::string& path) {
  return path + ": " + DescribeError(GetLastError());
}

std::string HostFailure(const std::string& path) { return path + ": " + std::strerror(errno); }

bool IsDeviceFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(emu::Utf8ToUtf16(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Copies `in` to the device file `narrowPath`, made or emptied.
bool WriteDeviceFile(std::FILE* in, const std::string& inName, const std::string& narrowPath,
                     const std::string& shownPath, std::string* error, bool* unreadable) {
  CeFile out(ce::fopen(narrowPath.c_str(), "wb"));
  if (out == nullptr) {
    *error = DeviceFailure(shownPath);
    return false;
  }
  std::vector<char> buffer(kChunk);
  while (true) {
    const std::size_t read = std::fread(buffer.data(), 1, buffer.size(), in);
    if (read > 0 && ce::fwrite(buffer.data(), 1, read, out.get()) != read) {
      *error = DeviceFailure(shownPath);
      return false;
    }
    if (read < buffer.size()) break;
  }
  if (std::ferror(in)) {
    *unreadable = true;
    *error = inName + ": cannot be read";
    return false;
  }
  if (ce::fclose(out.release()) != 0) {
    *error = DeviceFailure(shownPath);
    return false;
  }
  return true;
}

// Copies the device file `in` to the host file descriptor `fd`.
bool CopyToHost(std::FILE* in, const std::string& cePath, int fd, const std::string& hostPath,
                std::string* error, bool* unreadable) {
  std::vector<char> buffer(kChunk);
  while (true) {
    const std::size_t read = ce::fread(buffer.data(), 1, buffer.size(), in);
    if (read > 0 && !tool::WriteAll(fd, buffer.data(), read)) {
      *error = HostFailure(hostPath);
      return false;
    }
    if (read < buffer.size()) break;
  }
  if (std::ferror(in)) {
    *unreadable = true;
    *error = DeviceFailure(cePath);
    return false;
  }
  return true;
}

}  // namespace

bool PushFile(const std::string& hostFile, const std::string& cePath, std::string* error,
              bool* unreadable) {
  *unreadable = false;
  std::unique_ptr<std::FILE, HostFileCloser> opened;
  if (hostFile != "-") {
    struct stat info {};
    if (::stat(hostFile.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
      *unreadable = true;
      *error = hostFile + ": not a file";
      return false;
    }
    opened.reset(std::fopen(hostFile.c_str(), "rb"));
    if (opened == nullptr) {
      *unreadable = true;
      *error = HostFailure(hostFile);
      return false;
    }
  }
  std::string target = cePath;
  if (IsDeviceFolder(target)) {
    if (hostFile == "-") {
      *error = cePath + ": a folder; name the file to write";
      return false;
    }
    target += "\\" + LastName(hostFile, "/");
  }
  std::string narrowTarget;
  if (!NarrowDevicePath(target, &narrowTarget)) {
    *error = target + ": the name has characters outside the device code page";
    return false;
  }
  const std::size_t separator = narrowTarget.find_last_of("\\/");
  const std::string narrowTemp =
      narrowTarget.substr(0, separator == std::string::npos ? 0 : separator + 1) + "~push" +
      std::to_string(::getpid()) + ".tmp";
  const std::u16string wideTarget = emu::AnsiToUtf16(narrowTarget);
  const std::u16string wideTemp = emu::AnsiToUtf16(narrowTemp);

  bool done =
      WriteDeviceFile(opened ? opened.get() : stdin, hostFile == "-" ? "standard input" : hostFile,
                      narrowTemp, target, error, unreadable);
  if (done) {
    // In place in one step: over the file that is there, or as a new name.
    const DWORD existing = GetFileAttributesW(wideTarget.c_str());
    done = existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_DIRECTORY) == 0
               ? DeleteAndRenameFile(wideTarget.c_str(), wideTemp.c_str()) != 0
               : MoveFileW(wideTemp.c_str(), wideTarget.c_str()) != 0;
    if (!done) *error = DeviceFailure(target);
  }
  if (!done) DeleteFileW(wideTemp.c_str());
  return done;
}

bool PullFile(const std::string& cePath, const std::string& hostFile, std::string* error,
              bool* unreadable) {
  *unreadable = true;  // until the device file is open
  const DWORD attributes = GetFileAttributesW(emu::Utf8ToUtf16(cePath).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    *error = DeviceFailure(cePath);
    return false;
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    *error = cePath + ": a folder, not a file";
    return false;
  }
  std::string narrow;
  if (!NarrowDevicePath(cePath, &narrow)) {
    *error = cePath + ": the name has characters outside the device code page";
    return false;
  }
  CeFile in(ce::fopen(narrow.c_str(), "rb"));
  if (in == nullptr) {
    *error = DeviceFailure(cePath);
    return false;
  }
  *unreadable = false;
  if (hostFile == "-") {
    return CopyToHost(in.get(), cePath, STDOUT_FILENO, "standard output", error, unreadable);
  }

  std::string target = hostFile;
  struct stat info {};
  if (::stat(target.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    target += "/" + emu::Utf16ToUtf8(emu::AnsiToUtf16(LastName(narrow, "\\/")));
  }
  std::string temp = target + ".pull-XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    *error = HostFailure(target);
    return false;
  }
  // A new file's permissions, not mkstemp's private ones.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  bool done = CopyToHost(in.get(), cePath, fd, target, error, unreadable);
  if (::close(fd) != 0 && done) {
    *error = HostFailure(target);
    done = false;
  }
  if (done && ::rename(temp.c_str(), target.c_str()) != 0) {
    *error = HostFailure(target);
    done = false;
  }
  if (!done) ::unlink(temp.c_str());
  return done;
}

}  // namespace devicectl
