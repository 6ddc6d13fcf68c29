// Several processes write to one device at once; no write is lost or torn.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "device.h"
#include "journal.h"
#include "platform/ce.h"
#include "reg_file.h"
#include "testing/temp_device.h"

namespace {

constexpr int kWrites = 1000;

// In a child process: writes kWrites registry values and journal events under `name`.
bool WriteMany(const std::string& hostDir, const std::u16string& name) {
  emu::ScopedDevice own(hostDir);  // its own database connection
  HKEY key = nullptr;
  const std::u16string path = u"Software\\" + name;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  bool ok = true;
  for (DWORD i = 0; i < kWrites && ok; ++i) {
    const std::u16string valueName = u"v" + std::u16string(1, u'a' + (i % 26)) +
                                     std::u16string(1, u'0' + (i / 26) % 10) +
                                     std::u16string(1, u'0' + i / 260);
    ok = RegSetValueExW(key, valueName.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&i), 4) ==
             ERROR_SUCCESS &&
         PostMessageW(HWND_BROADCAST, 0x400 + i, i, 0) == TRUE;
  }
  RegCloseKey(key);
  return ok;
}

TEST(ConcurrencyTest, TwoProcessesWritingAtOnceLoseNothing) {
  test::TempDevice device;
  pid_t children[2];
  const std::u16string names[2] = {u"First", u"Second"};
  for (int i = 0; i < 2; ++i) {
    children[i] = ::fork();
    ASSERT_GE(children[i], 0);
    if (children[i] == 0) ::_exit(WriteMany(device.hostDir(), names[i]) ? 0 : 1);
  }
  for (const pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }

  std::string registry;
  ASSERT_TRUE(emu::ExportRegistry(*emu::CurrentDevice(), u"HKLM\\Software", &registry).ok());
  std::size_t values = 0;
  for (std::size_t at = registry.find("=dword:"); at != std::string::npos;
       at = registry.find("=dword:", at + 1)) {
    ++values;
  }
  EXPECT_EQ(values, 2u * kWrites);

  std::string journal;
  ASSERT_TRUE(emu::ReadJournal(*emu::CurrentDevice(), &journal).ok());
  std::size_t lines = 0;
  std::size_t at = 0;
  for (std::size_t end = journal.find('\n'); end != std::string::npos;
       at = end + 1, end = journal.find('\n', at)) {
    ++lines;
    // Numbered without gaps, each line whole.
    EXPECT_EQ(journal.substr(at, 8 + std::to_string(lines).size()),
              "{\"seq\":" + std::to_string(lines) + ",");
    EXPECT_EQ(journal[end - 1], '}');
  }
  EXPECT_EQ(lines, 2u * kWrites);
}

}  // namespace
