#include <algorithm>
#include <filesystem>

#include "catalogue.h"
#include "code_page.h"
#include "device.h"
#include "journal.h"
#include "reg_file.h"

namespace hostile {

namespace fs = std::filesystem;

void Scene::Deliver(std::u16string_view name, std::string_view bytes) const {
  device_.WriteFile(u"\\Temp\\" + std::u16string(name), bytes);
}

std::vector<std::string> Scene::InstalledFiles() const {
  const fs::path root = fs::path(device_.hostDir()) / "fs";
  std::vector<std::string> files;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
       ++it) {
    const fs::path relative = it->path().lexically_relative(root);
    if (it.depth() == 0 && relative == "Temp") {
      it.disable_recursion_pending();
      continue;
    }
    if (!it->is_regular_file()) continue;
    std::string path = "\\" + relative.string();
    std::replace(path.begin(), path.end(), '/', '\\');
    files.push_back(path);
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::optional<std::string> Scene::RegistryData(HKEY root, std::u16string_view key,
                                               std::u16string_view name) const {
  const std::u16string keyPath(key);
  const std::u16string valueName(name);
  HKEY opened = nullptr;
  if (RegOpenKeyExW(root, keyPath.c_str(), 0, 0, &opened) != ERROR_SUCCESS) return std::nullopt;
  DWORD size = 0;
  std::optional<std::string> data;
  if (RegQueryValueExW(opened, valueName.c_str(), nullptr, nullptr, nullptr, &size) ==
      ERROR_SUCCESS) {
    std::string bytes(size, '\0');
    if (RegQueryValueExW(opened, valueName.c_str(), nullptr, nullptr,
                         reinterpret_cast<BYTE*>(bytes.data()), &size) == ERROR_SUCCESS) {
      bytes.resize(size);
      data = std::move(bytes);
    }
  }
  RegCloseKey(opened);
  return data;
}

std::optional<std::string> Scene::RegistryText(HKEY root, std::u16string_view key,
                                               std::u16string_view name) const {
  const std::optional<std::string> data = RegistryData(root, key, name);
  if (!data) return std::nullopt;
  std::u16string text;
  for (std::size_t i = 0; i + 1 < data->size(); i += 2) {
    text += static_cast<char16_t>(static_cast<unsigned char>((*data)[i]) |
                                  static_cast<unsigned char>((*data)[i + 1]) << 8);
  }
  if (!text.empty() && text.back() == u'\0') text.pop_back();
  return emu::Utf16ToUtf8(text);
}

std::string Scene::Registry() const {
  std::string text;
  const emu::Status status = emu::ExportRegistry(*emu::CurrentDevice(), u"", &text);
  return status.ok() ? text : "export failed: " + status.message();
}

std::string Scene::Journal() const {
  std::string lines;
  const emu::Status status = emu::ReadJournal(*emu::CurrentDevice(), &lines);
  return status.ok() ? lines : "journal failed: " + status.message();
}

}  // namespace hostile
