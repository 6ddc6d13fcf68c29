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

}  // namespace

std::string OpeningName(const std::string& hostPath) {
  const std::string name = std::filesystem::path(hostPath).filename().string();
  if (!EndsWithGz(name)) return name;
  const std::size_t dot = name.rfind('.');
  return name.substr(0, dot);
}

std::unique_ptr<PackageView> PackageView::Open(const std::string& hostPath,
                                               const std::string& asName, std::string* error) {
  std::error_code failure;
  if (!std::filesystem::is_regular_file(hostPath, failure)) {
    *error = hostPath + ": " + (failure ? failure.message() : "not a file");
    return nullptr;
  }
  std::unique_ptr<PackageView> view(new PackageView());
  view->name_ = asName.empty() ? OpeningName(hostPath) : asName;
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
  view->package_ = std::make_unique<System::IO::ResourcePackage>(("\\" + narrowName).c_str());
  if (!view->package_->isOpen()) {
    *error = hostPath + ": cannot open the package";
    return nullptr;
  }
  return view;
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
