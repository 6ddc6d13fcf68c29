#include "platform/ce.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr wchar_t kKey[] = L"Software\\KelmoraPlatformTest";

class RegistryKeysTest : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kKey); }
  void TearDown() override {
    for (const HKEY key : opened_) RegCloseKey(key);
    RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
  }

  // Creates (or opens) `subKey` as the system does: access word 0.
  HKEY Create(const wchar_t* subKey, DWORD* disposition = nullptr) {
    HKEY key = nullptr;
    DWORD ignored = 0;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, subKey, 0, nullptr, 0, 0, nullptr, &key,
                              disposition != nullptr ? disposition : &ignored),
              ERROR_SUCCESS)
        << subKey;
    if (key != nullptr) opened_.push_back(key);
    return key;
  }

  std::vector<HKEY> opened_;
};

TEST_F(RegistryKeysTest, ALeadingBackslashNamesTheSameKey) {
  DWORD disposition = 0;
  Create(L"\\Software\\KelmoraPlatformTest\\Deep", &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  Create(L"Software\\KelmoraPlatformTest\\Deep", &disposition);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));

  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"\\Software\\KelmoraPlatformTest", 0, 0, &key),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(
      RegOpenKeyExW(HKEY_CURRENT_USER, L"\\Software\\KelmoraPlatformTest\\Missing", 0, 0, &key),
      ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryKeysTest, AKeyOpenedWithAccessZeroCanBeWrittenAndRead) {
  const HKEY key = Create(L"\\Software\\KelmoraPlatformTest");
  const wchar_t text[] = L"Gr\u00FC\u00DF";
  ASSERT_EQ(
      RegSetValueExW(key, L"Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text),
      ERROR_SUCCESS);

  HKEY again = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"\\Software\\KelmoraPlatformTest", 0, 0, &again),
            ERROR_SUCCESS);
  opened_.push_back(again);
  DWORD type = 0;
  DWORD size = 0;
  ASSERT_EQ(RegQueryValueExW(again, L"text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(size, sizeof text);
  // Too small a buffer: ERROR_MORE_DATA, as on CE.
  wchar_t read[8] = {L'x'};
  DWORD small = 2;
  EXPECT_EQ(
      RegQueryValueExW(again, L"Text", nullptr, nullptr, reinterpret_cast<BYTE*>(read), &small),
      ERROR_MORE_DATA);
  size = sizeof read;
  ASSERT_EQ(
      RegQueryValueExW(again, L"Text", nullptr, nullptr, reinterpret_cast<BYTE*>(read), &size),
      ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(read), text);
}

}  // namespace
