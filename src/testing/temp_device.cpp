#include "testing/temp_device.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "scratch_device.h"

namespace test {

namespace fs = std::filesystem;

TempDevice::TempDevice() {
  std::string error;
  device_ = emu::ScratchDevice::Create(&error);
  if (device_ == nullptr) throw std::runtime_error("cannot make a device: " + error);
}

TempDevice::~TempDevice() = default;

const std::string& TempDevice::hostDir() const { return device_->hostDir(); }

std::string TempDevice::HostPath(std::u16string_view cePath) const {
  return device_->HostPath(cePath);
}

void TempDevice::WriteFile(std::u16string_view cePath, std::string_view content) const {
  if (!device_->WriteFile(cePath, content)) {
    throw std::runtime_error("cannot write " + HostPath(cePath));
  }
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
