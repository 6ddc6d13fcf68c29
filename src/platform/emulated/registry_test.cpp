#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "code_page.h"
#include "device.h"
#include "platform/ce.h"
#include "reg_file.h"
#include "testing/temp_device.h"

namespace {

std::vector<BYTE> Utf16Bytes(std::u16string_view text) {
  std::vector<BYTE> bytes;
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<BYTE>(unit));
    bytes.push_back(static_cast<BYTE>(unit >> 8));
  }
  bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

class RegistryTest : public ::testing::Test {
 protected:
  // Opens (creating) a key; fails the test when it cannot.
  HKEY Create(HKEY root, const char16_t* path, DWORD* disposition = nullptr) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, 0, nullptr, &key, disposition),
              ERROR_SUCCESS);
    return key;
  }
  // The registry as a .reg export, without its header.
  std::string Export() {
    std::string text;
    EXPECT_TRUE(emu::ExportRegistry(*emu::CurrentDevice(), u"", &text).ok());
    return text.substr(text.find("\n\n") + 2);
  }

  test::TempDevice device_;
};

TEST_F(RegistryTest, NamesIgnoreCaseAndALeadingBackslash) {
  DWORD disposition = 0;
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"\\Software\\Kelp\\App", &disposition);
  EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
  const DWORD one = 1;
  ASSERT_EQ(RegSetValueExW(key, u"Count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4),
            ERROR_SUCCESS);
  RegCloseKey(key);

  HKEY same = Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\kelp\\APP", &disposition);
  EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
  DWORD value = 0;
  DWORD size = sizeof value;
  DWORD type = 0;
  ASSERT_EQ(
      RegQueryValueExW(same, u"COUNT", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
      ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(value, 1u);
  // A second spelling of the value name keeps the first.
  const DWORD two = 2;
  ASSERT_EQ(RegSetValueExW(same, u"count", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&two), 4),
            ERROR_SUCCESS);
  RegCloseKey(same);
  EXPECT_EQ(Export(),
            "[HKEY_LOCAL_MACHINE\\Software]\n\n[HKEY_LOCAL_MACHINE\\Software\\Kelp]\n\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Kelp\\App]\n\"Count\"=dword:00000002\n\n");
  HKEY opened = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"\\software\\KELP", 0, 0, &opened), ERROR_SUCCESS);
  RegCloseKey(opened);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Kelp", 0, 0, &opened),
            static_cast<LONG>(ERROR_FILE_NOT_FOUND));
}

TEST_F(RegistryTest, QueryReportsTheSizeAndRefusesSmallBuffers) {
  HKEY key = Create(HKEY_CURRENT_USER, u"Software\\Test");
  const std::vector<BYTE> text = Utf16Bytes(u"\\Program Files\\App");
  ASSERT_EQ(
      RegSetValueExW(key, u"InstallPath", 0, REG_SZ, text.data(), static_cast<DWORD>(text.size())),
      ERROR_SUCCESS);
  DWORD size = 0;
  DWORD type = 0;
  ASSERT_EQ(RegQueryValueExW(key, u"InstallPath", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, text.size());
  EXPECT_EQ(type, REG_SZ);

  std::vector<BYTE> small(size - 1, 0xAA);
  DWORD smallSize = size - 1;
  EXPECT_EQ(RegQueryValueExW(key, u"InstallPath", nullptr, nullptr, small.data(), &smallSize),
            static_cast<LONG>(ERROR_MORE_DATA));
  EXPECT_EQ(smallSize, size);
  EXPECT_EQ(small, std::vector<BYTE>(size - 1, 0xAA));  // nothing written

  std::vector<BYTE> exact(size);
  ASSERT_EQ(RegQueryValueExW(key, u"installpath", nullptr, nullptr, exact.data(), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(exact, text);
  EXPECT_EQ(RegQueryValueExW(key, u"Missing", nullptr, nullptr, nullptr, &size),
            static_cast<LONG>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(RegQueryValueExW(key, u"InstallPath", nullptr, nullptr, exact.data(), nullptr),
            static_cast<LONG>(ERROR_INVALID_PARAMETER));
  RegCloseKey(key);
}

TEST_F(RegistryTest, DefaultValueDeletionAndEmptyData) {
  HKEY key = Create(HKEY_CLASSES_ROOT, u".pkg");
  ASSERT_EQ(RegSetValueExW(key, nullptr, 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
  DWORD size = 99;
  ASSERT_EQ(RegQueryValueExW(key, u"", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 0u);
  ASSERT_EQ(RegDeleteValueW(key, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(key, nullptr), static_cast<LONG>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(RegSetValueExW(key, u"x", 0, REG_BINARY, nullptr, 4),
            static_cast<LONG>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), static_cast<LONG>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(RegSetValueExW(key, u"x", 0, REG_BINARY, nullptr, 0),
            static_cast<LONG>(ERROR_INVALID_HANDLE));
}

TEST_F(RegistryTest, KeyDeletedElsewhereIsReported) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, u"Software\\Gone");
  ASSERT_TRUE(emu::ImportRegistry(*emu::CurrentDevice(),
                                  "REGEDIT4\n[-HKEY_LOCAL_MACHINE\\Software\\Gone]\n")
                  .ok());
  const DWORD one = 1;
  EXPECT_EQ(RegSetValueExW(key, u"v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4),
            static_cast<LONG>(ERROR_KEY_DELETED));
  RegCloseKey(key);
}

TEST_F(RegistryTest, NamesOfAtMost255CharactersAndKeysAtMost16LevelsDeep) {
  const std::u16string longest(255, u'k');
  const std::u16string tooLong(256, u'k');
  HKEY key = nullptr;
  EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (u"A\\" + tooLong).c_str(), 0, nullptr, 0, 0,
                            nullptr, &key, nullptr),
            static_cast<LONG>(ERROR_INVALID_PARAMETER));
  HKEY parent = Create(HKEY_CURRENT_USER, (u"A\\" + longest).c_str());
  const DWORD one = 1;
  const auto* data = reinterpret_cast<const BYTE*>(&one);
  EXPECT_EQ(RegSetValueExW(parent, longest.c_str(), 0, REG_DWORD, data, 4), ERROR_SUCCESS);
  EXPECT_EQ(RegSetValueExW(parent, tooLong.c_str(), 0, REG_DWORD, data, 4),
            static_cast<LONG>(ERROR_INVALID_PARAMETER));
  RegCloseKey(parent);

  // 16 levels in one call, or level by level from an opened key; never a 17th.
  std::u16string sixteen = u"L1";
  for (int level = 2; level <= 16; ++level) sixteen += u"\\L" + std::u16string(1, u'a' + level);
  HKEY deepest = Create(HKEY_LOCAL_MACHINE, sixteen.c_str());
  EXPECT_EQ(RegCreateKeyExW(deepest, u"L17", 0, nullptr, 0, 0, nullptr, &key, nullptr),
            static_cast<LONG>(ERROR_INVALID_PARAMETER));
  RegCloseKey(deepest);
  HKEY fifteen = Create(HKEY_LOCAL_MACHINE, u"L1");
  EXPECT_EQ(RegCreateKeyExW(fifteen, (sixteen + u"\\x").c_str() + 3, 0, nullptr, 0, 0, nullptr,
                            &key, nullptr),
            static_cast<LONG>(ERROR_INVALID_PARAMETER));
  RegCloseKey(fifteen);
  EXPECT_EQ(Export().find("L17"), std::string::npos);
  EXPECT_EQ(Export().find(emu::Utf16ToUtf8(tooLong)), std::string::npos);
}

TEST(RegistryWithoutDeviceTest, FailsWithoutCreatingAnything) {
  test::TempDevice device;
  const std::string missing = device.hostDir() + "/no-device";
  emu::ScopedDevice scope(missing);
  HKEY key = nullptr;
  EXPECT_EQ(
      RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software", 0, nullptr, 0, 0, nullptr, &key, nullptr),
      static_cast<LONG>(ERROR_BADDB));
  EXPECT_EQ(FindWindowW(nullptr, u"x"), nullptr);
  EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
