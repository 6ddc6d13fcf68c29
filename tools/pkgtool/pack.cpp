#include "pack.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "code_page.h"
#include "install/script_words.h"
#include "package/package_writer.h"
#include "package/resource_package.h"
#include "package_view.h"

namespace pkgtool {

namespace fs = std::filesystem;

namespace {

using script_words::kScriptEntry;

// The device code page form of a host (UTF-8) name; false when a character has no byte.
bool ToDeviceName(const std::string& hostName, std::string* narrow) {
  const std::u16string wide = emu::Utf8ToUtf16(hostName);
  *narrow = emu::Utf16ToAnsi(wide);
  return emu::AnsiToUtf16(*narrow) == wide;
}

// The temporary file being written, removed when the process is interrupted.
std::atomic<const char*> pendingTemporary{nullptr};

extern "C" void RemovePendingAndReraise(int signalNumber) {
  if (const char* path = pendingTemporary.load()) ::unlink(path);
  std::signal(signalNumber, SIG_DFL);
  std::raise(signalNumber);
}

// Holds the temporary output: removed unless committed, also on SIGINT, SIGTERM, SIGHUP.
class TemporaryOutput {
 public:
  explicit TemporaryOutput(const std::string& output) {
    const fs::path target(output);
    path_ = (target.parent_path() / ("." + target.filename().string() + ".tmp-XXXXXX")).string();
    std::vector<char> pattern(path_.begin(), path_.end());
    pattern.push_back('\0');
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
      error_ = output + ": cannot create a temporary file beside it: " + std::strerror(errno);
      path_.clear();
      return;
    }
    // mkstemp makes the file private; the package gets the permissions of a new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    ::close(fd);
    path_ = pattern.data();
    pendingTemporary.store(path_.c_str());
    for (const int signalNumber : kSignals)
      previous_.push_back(std::signal(signalNumber, RemovePendingAndReraise));
  }
  TemporaryOutput(const TemporaryOutput&) = delete;
  TemporaryOutput& operator=(const TemporaryOutput&) = delete;
  ~TemporaryOutput() {
    if (!path_.empty()) ::unlink(path_.c_str());
    Release();
  }

  const std::string& path() const { return path_; }
  const std::string& error() const { return error_; }

  bool Commit(const std::string& output, std::string* error) {
    if (::rename(path_.c_str(), output.c_str()) != 0) {
      *error = output + ": " + std::strerror(errno);
      return false;
    }
    path_.clear();
    Release();
    return true;
  }

 private:
  static constexpr std::array<int, 3> kSignals = {SIGINT, SIGTERM, SIGHUP};

  void Release() {
    pendingTemporary.store(nullptr);
    for (std::size_t i = 0; i < previous_.size(); ++i) std::signal(kSignals[i], previous_[i]);
    previous_.clear();
  }

  std::string path_;
  std::string error_;
  std::vector<void (*)(int)> previous_;
};

// The sink of a package file at `path`: gzip at `level` when `compress`, plain otherwise.
std::unique_ptr<pkg::ByteSink> OpenSink(const std::string& path, bool compress, int level) {
  if (compress) return std::make_unique<pkg::GzipSink>(path, level);
  return std::make_unique<pkg::FileSink>(path);
}

// Copies the host file of `source` into the package as its next entry, through `buffer`,
// handing the size of each piece written to `onPiece`. False with *error set on failure.
bool AddEntry(pkg::PackageWriter& writer, const PackSource& source, bool scrambleData,
              std::vector<char>& buffer, const std::function<void(std::size_t)>& onPiece,
              std::string* error) {
  if (source.size > 0x7FFFFFFF) {
    *error = source.hostPath + ": larger than a package entry can be (2 GiB)";
    return false;
  }
  std::ifstream in(source.hostPath, std::ios::binary);
  if (!in) {
    *error = source.hostPath + ": " + std::strerror(errno);
    return false;
  }
  if (!writer.BeginEntry(source.entryName, static_cast<std::int32_t>(source.size), scrambleData)) {
    *error = writer.error();
    return false;
  }
  for (std::uint64_t left = source.size; left > 0;) {
    const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
    if (!in.read(buffer.data(), static_cast<std::streamsize>(piece))) {
      *error = source.hostPath + ": changed while it was packed";
      return false;
    }
    if (!writer.AddData(std::string_view(buffer.data(), piece))) {
      *error = writer.error();
      return false;
    }
    left -= piece;
    onPiece(piece);
  }
  return true;
}

}  // namespace

bool CollectSources(const std::string& folder, std::vector<PackSource>* sources,
                    std::string* error) {
  std::error_code failure;
  if (!fs::is_directory(folder, failure)) {
    *error = folder + ": not a folder";
    return false;
  }
  sources->clear();
  fs::recursive_directory_iterator it(folder, fs::directory_options::none, failure);
  for (; !failure && it != fs::recursive_directory_iterator(); it.increment(failure)) {
    const fs::file_status status = it->symlink_status(failure);
    if (failure) break;
    if (!fs::is_regular_file(status)) continue;
    const fs::path relative = fs::relative(it->path(), folder, failure);
    if (failure) break;
    std::string hostName;
    for (const fs::path& component : relative) {
      const std::string part = component.string();
      if (part.find('\\') != std::string::npos) {
        *error = it->path().string() + ": a backslash in a file name cannot be packed";
        return false;
      }
      hostName += (hostName.empty() ? "" : "\\") + part;
    }
    PackSource source;
    if (!ToDeviceName(hostName, &source.entryName)) {
      *error = it->path().string() + ": the name has characters outside the device code page";
      return false;
    }
    if (source.entryName.size() > static_cast<std::size_t>(System::IO::kMaxEntryNameLength)) {
      *error = it->path().string() + ": the entry name '" + hostName + "' is longer than " +
               std::to_string(System::IO::kMaxEntryNameLength) + " bytes";
      return false;
    }
    source.hostPath = it->path().string();
    source.size = it->file_size(failure);
    if (failure) break;
    sources->push_back(std::move(source));
  }
  if (failure) {
    *error = folder + ": " + failure.message();
    return false;
  }
  std::sort(sources->begin(), sources->end(), [](const PackSource& a, const PackSource& b) {
    const bool aScript = a.entryName == kScriptEntry;
    const bool bScript = b.entryName == kScriptEntry;
    if (aScript != bScript) return aScript;
    return a.entryName < b.entryName;
  });
  return true;
}

bool WritePackage(const std::vector<PackSource>& sources, const std::string& output,
                  const PackOptions& options, const PackProgress& progress, std::string* error) {
  if (!options.allowNoScript && (sources.empty() || sources.front().entryName != kScriptEntry)) {
    *error =
        "no " + std::string(kScriptEntry) + " in the folder (--allow-no-script packs without one)";
    return false;
  }
  const std::string name = OpeningName(output);
  const bool compress = name != fs::path(output).filename().string();
  std::string narrowName;
  if (name.empty() || !ToDeviceName(name, &narrowName)) {
    *error = output + ": the updater cannot open a package by this name";
    return false;
  }

  TemporaryOutput temporary(output);
  if (temporary.path().empty()) {
    *error = temporary.error();
    return false;
  }
  const std::unique_ptr<pkg::ByteSink> sink = OpenSink(temporary.path(), compress, options.level);
  pkg::PackageWriter writer(*sink, narrowName, static_cast<std::int32_t>(sources.size()));
  std::vector<char> buffer(1 << 20);
  std::uint64_t bytesDone = 0;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    const auto onPiece = [&](std::size_t piece) {
      bytesDone += piece;
      if (progress) progress(i, sources.size(), bytesDone);
    };
    // The updater decodes the script's data; it installs files as they are stored.
    const bool scramble = options.scrambleData && sources[i].entryName == kScriptEntry;
    if (!AddEntry(writer, sources[i], scramble, buffer, onPiece, error)) return false;
    if (progress) progress(i + 1, sources.size(), bytesDone);
  }
  if (!writer.Finish()) {
    *error = writer.error();
    return false;
  }
  if (options.check && !options.check(temporary.path(), error)) return false;
  return temporary.Commit(output, error);
}

}  // namespace pkgtool
