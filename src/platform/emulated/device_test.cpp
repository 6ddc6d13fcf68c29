#include "device.h"

#include <stdlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "device_init.h"
#include "platform/ce.h"
#include "scratch_device.h"
#include "testing/temp_device.h"

namespace {

namespace fs = std::filesystem;

// Sets or unsets an environment variable for the scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = ::getenv(name)) old_ = old;
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(DeviceTest, ChosenByCeDeviceThenXdgThenHome) {
  ScopedEnv home("HOME", "/home/someone");
  {
    ScopedEnv xdg("XDG_DATA_HOME", nullptr);
    ScopedEnv device("CE_DEVICE", nullptr);
    EXPECT_EQ(emu::DeviceDirFromEnvironment(), "/home/someone/.local/share/ce-device");
  }
  ScopedEnv xdg("XDG_DATA_HOME", "/data");
  {
    ScopedEnv device("CE_DEVICE", "");
    EXPECT_EQ(emu::DeviceDirFromEnvironment(), "/data/ce-device");
  }
  ScopedEnv device("CE_DEVICE", "/devices/one");
  EXPECT_EQ(emu::DeviceDirFromEnvironment(), "/devices/one");
}

TEST(DeviceTest, ScopedDeviceRestoresThePreviousOne) {
  test::TempDevice outer;
  outer.WriteFile(u"\\Temp\\outer.txt", "");
  {
    test::TempDevice inner;
    EXPECT_EQ(emu::CurrentDevice()->hostDir(), inner.hostDir());
    EXPECT_EQ(GetFileAttributesW(u"\\Temp\\outer.txt"), INVALID_FILE_ATTRIBUTES);
  }
  EXPECT_EQ(emu::CurrentDevice()->hostDir(), outer.hostDir());
  EXPECT_NE(GetFileAttributesW(u"\\Temp\\outer.txt"), INVALID_FILE_ATTRIBUTES);
}

TEST(DeviceTest, InitIsIdempotentAndKeepsWhatExists) {
  test::TempDevice scratch;
  const std::string dir = scratch.hostDir() + "/nested/device";
  std::string error;
  ASSERT_TRUE(emu::InitDevice(dir, &error)) << error;
  for (const char* folder :
       {"Windows/Start Menu/Programs", "Program Files", "My Documents", "Temp"}) {
    EXPECT_TRUE(fs::is_directory(dir + "/fs/" + folder)) << folder;
  }
  EXPECT_TRUE(fs::exists(dir + "/device.db"));
  test::WriteHostFile(dir + "/fs/Temp/keep.txt", "kept");
  ASSERT_TRUE(emu::InitDevice(dir, &error)) << error;
  EXPECT_EQ(test::ReadHostFile(dir + "/fs/Temp/keep.txt"), "kept");

  // A file where a folder belongs is an error.
  fs::remove_all(dir + "/fs/Temp");
  test::WriteHostFile(dir + "/fs/Temp", "");
  EXPECT_FALSE(emu::InitDevice(dir, &error));
  EXPECT_NE(error.find("\\Temp"), std::string::npos) << error;
}

TEST(DeviceTest, DatabaseIsMadeOnlyInsideAnExistingDeviceFolder) {
  test::TempDevice scratch;
  const std::string bare = scratch.hostDir() + "/bare";
  fs::create_directory(bare);
  {
    emu::ScopedDevice device(bare);
    EXPECT_EQ(RegisterWindowMessageW(u"Name"), 0xC000u);
  }
  EXPECT_TRUE(fs::exists(bare + "/device.db"));
  EXPECT_FALSE(fs::exists(bare + "/fs"));

  const std::string missing = scratch.hostDir() + "/missing";
  {
    emu::ScopedDevice device(missing);
    EXPECT_EQ(RegisterWindowMessageW(u"Name"), 0u);
    EXPECT_EQ(GetLastError(), ERROR_BADDB);
  }
  EXPECT_FALSE(fs::exists(missing));
}

TEST(DeviceTest, AStatementThatCannotBePreparedFailsItsFirstStepWithWhy) {
  test::TempDevice device;
  const emu::Status status = emu::CurrentDevice()->Read([](emu::sql::Database& db) {
    emu::sql::Statement statement = db.Prepare("SELECT name FROM no_such_table WHERE id = ?1");
    statement.Bind(1, std::int64_t{1}).Bind(2, std::string_view("ignored"));
    bool row = true;
    emu::Status stepped = statement.Step(&row);
    EXPECT_FALSE(row);
    return stepped;
  });
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message().find("no_such_table"), std::string::npos) << status.message();
}

TEST(DeviceTest, ScratchDeviceTellsWhatLiesOutsideTheDevice) {
  std::string error;
  auto device = emu::ScratchDevice::Create(&error);
  ASSERT_NE(device, nullptr) << error;
  // The database and the named mutexes' folder belong to the device.
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, u"Scratch");
  ASSERT_NE(mutex, nullptr);
  ASSERT_TRUE(device->WriteFile(u"\\Temp\\new\\a.txt", "a"));
  EXPECT_EQ(test::ReadHostFile(device->hostDir() + "/fs/Temp/new/a.txt"), "a");
  EXPECT_TRUE(device->ForeignEntries().empty());
  test::WriteHostFile(device->hostDir() + "/stray", "");
  EXPECT_EQ(device->ForeignEntries(), std::vector<std::string>{"stray"});
  CloseHandle(mutex);
  const std::string folder = device->hostDir();
  device.reset();
  EXPECT_FALSE(fs::exists(folder));
}

}  // namespace
