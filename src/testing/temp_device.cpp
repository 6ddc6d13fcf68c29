#include "testing/temp_device.h"

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "code_page.h"
#include "device.h"
#include "device_init.h"

namespace test {

namespace fs = std::filesystem;

TempDevice::TempDevice() {
  std::string pattern = (fs::temp_directory_path() / "ce-device-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot make a temporary folder in " + pattern);
  }
  hostDir_ = pattern;
  std::string error;
  if (!emu::InitDevice(hostDir_, &error)) {
    fs::remove_all(hostDir_);
    throw std::runtime_error("cannot make a device: " + error);
  }
  scope_ = std::make_unique<emu::ScopedDevice>(hostDir_);
}

TempDevice::~TempDevice() {
  scope_.reset();
  std::error_code ignored;
  fs::remove_all(hostDir_, ignored);
}

std::string TempDevice::HostPath(std::u16string_view cePath) const {
  std::string path = hostDir_ + "/fs";
  std::size_t start = 0;
  while (start <= cePath.size()) {
    std::size_t end = cePath.find_first_of(u"\\/", start);
    if (end == std::u16string_view::npos) end = cePath.size();
    if (end > start) path += "/" + emu::Utf16ToUtf8(cePath.substr(start, end - start));
    start = end + 1;
  }
  return path;
}

void TempDevice::WriteFile(std::u16string_view cePath, std::string_view content) const {
  const fs::path path = HostPath(cePath);
  fs::create_directories(path.parent_path());
  WriteHostFile(path.string(), content);
}

std::string TempDevice::ReadFile(std::u16string_view cePath) const {
  return ReadHostFile(HostPath(cePath));
}

bool TempDevice::Exists(std::u16string_view cePath) const {
  std::error_code ignored;
  return fs::exists(fs::symlink_status(HostPath(cePath), ignored));
}

std::vector<std::string> TempDevice::ListFiles(std::u16string_view cePath) const {
  std::vector<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator(HostPath(cePath))) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void WriteHostFile(const std::string& path, std::string_view content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace test
