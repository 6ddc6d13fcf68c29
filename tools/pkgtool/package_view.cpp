#include "package_view.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "code_page.h"
#include "package/gzip_expansion.h"

namespace pkgtool {

namespace {

bool EndsWithGz(const std::string& name) {
  if (name.size() < 3) return false;
  std::string tail = name.substr(name.size() - 3);
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return tail == ".gz";
}

bool StartsWithGzipSignature(const std::string& hostPath) {
  std::FILE* file = std::fopen(hostPath.c_str(), "rb");
  if (file == nullptr) return false;
  unsigned char magic[2] = {};
  const bool gzip = std::fread(magic, 1, 2, file) == 2 && magic[0] == 0x1f && magic[1] == 0x8b;
  std::fclose(file);
  return gzip;
}

// The size of `path` and the entry count of its header (-1 when it has none).
void ReadHeader(const std::string& path, std::int64_t* size, std::int64_t* count) {
  std::error_code failure;
  const auto bytes = std::filesystem::file_size(path, failure);
  *size = failure ? 0 : static_cast<std::int64_t>(bytes);
  *count = -1;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return;
  unsigned char header[8] = {};
  if (std::fread(header, 1, 8, file) == 8) {
    *count =
        static_cast<std::int32_t>(std::uint32_t{header[4]} | std::uint32_t{header[5]} << 8 |
                                  std::uint32_t{header[6]} << 16 | std::uint32_t{header[7]} << 24);
  }
  std::fclose(file);
}

}  // namespace

std::string WithoutGz(const std::string& name) {
  return EndsWithGz(name) ? name.substr(0, name.size() - 3) : name;
}

std::string OpeningName(const std::string& hostPath) {
  return WithoutGz(std::filesystem::path(hostPath).filename().string());
}

std::unique_ptr<PackageView> PackageView::Open(const std::string& hostPath,
                                               const std::string& asName, std::string* error) {
  std::error_code failure;
  if (!std::filesystem::is_regular_file(hostPath, failure)) {
    *error = hostPath + ": " + (failure ? failure.message() : "not a file");
    return nullptr;
  }
  std::unique_ptr<PackageView> view(new PackageView());
  view->hostPath_ = hostPath;
  view->name_ = asName.empty() ? OpeningName(hostPath) : WithoutGz(asName);
  if (view->name_.empty() || view->name_.find_first_of("/\\") != std::string::npos) {
    *error = "'" + view->name_ + "' cannot be a device file name";
    return nullptr;
  }
  view->device_ = ScratchDevice::Create(error);
  if (view->device_ == nullptr) return nullptr;

  // The package lies in the device's root under its opening name; a delivered file
  // beside it, one extension longer, goes through the updater's expansion.
  const std::u16string wideName = emu::Utf8ToUtf16(view->name_);
  const std::string narrowName = emu::Utf16ToAnsi(wideName);
  const String packagePath(std::u16string(u"\\" + wideName).c_str());
  view->compressed_ = StartsWithGzipSignature(hostPath);
  if (view->compressed_) {
    const std::string delivered = view->name_ + ".gz";
    if (!PlaceFile(hostPath, view->device_->RootFilePath(delivered), error)) return nullptr;
    const String deliveredPath(std::u16string(u"\\" + emu::Utf8ToUtf16(delivered)).c_str());
    if (ExpandGzipFile(deliveredPath, packagePath) == 0) {
      *error = hostPath + ": damaged or truncated gzip data";
      return nullptr;
    }
  } else if (!PlaceFile(hostPath, view->device_->RootFilePath(view->name_), error)) {
    return nullptr;
  }
  ReadHeader(view->device_->RootFilePath(view->name_), &view->packageSize_,
             &view->announcedEntries_);
  view->package_ = std::make_unique<System::IO::ResourcePackage>(("\\" + narrowName).c_str());
  if (!view->package_->isOpen()) {
    *error = hostPath + ": cannot open the package";
    return nullptr;
  }
  return view;
}

bool PackageView::Whole(std::string* error) const {
  if (announcedEntries_ == 0 || !package_->Entries().empty()) return true;
  // Every entry takes at least 12 bytes after the 8 of the header.
  if (announcedEntries_ < 0 || announcedEntries_ > (packageSize_ - 8) / 12) {
    *error = hostPath_ + ": not a package";
  } else {
    *error = hostPath_ + ": the package is cut short or damaged: its " +
             std::to_string(announcedEntries_) + " entries cannot be read";
  }
  return false;
}

std::unique_ptr<PackageView> PackageView::OpenEntry(const std::string& entryName,
                                                    const std::string& asName, std::string* error) {
  const AnsiString data = package_->ReadEntry(entryName.c_str());
  // Beside the device's fs/, where nothing on the device can reach it.
  const std::string path = device_->hostDir() + "/entry-" + std::to_string(++entriesOpened_);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  const std::size_t size = static_cast<std::size_t>(data.length);
  bool written = file != nullptr && (size == 0 || std::fwrite(data.data, 1, size, file) == size);
  if (file != nullptr && std::fclose(file) != 0) written = false;
  if (!written) {
    *error = path + ": cannot be written";
    return nullptr;
  }
  auto view = Open(path, asName, error);
  // The file is ours, a passing detail: the error speaks of the data.
  if (view == nullptr && error->starts_with(path + ": ")) error->erase(0, path.size() + 2);
  return view;
}

}  // namespace pkgtool
