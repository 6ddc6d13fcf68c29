// A full disk, while the delivery is expanded or while the new files are staged: nothing
// of the new version is installed then: the old files stay whole, its version record
// stays, the product is not started and the delivery waits; once there is room, the next
// run installs the new version completely. (Other files that cannot be written are the
// end-to-end install tests' obstacles.)
//
// The full disk is a small tmpfs mounted over the device's fs/ in a mount namespace of
// the test's own, which the updater inherits; where none can be made, those tests skip.
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "hostile/deliveries.h"
#include "sqlite_db.h"
#include "testing/temp_device.h"
#include "updater_process.h"

namespace {

namespace fs = std::filesystem;

constexpr char kProgram[] = "\\Program Files\\Storage\\P\\P.exe";
constexpr char16_t kFolder[] = u"\\Program Files\\Storage\\P\\";
constexpr std::size_t kKiB = 1024;

// The files of a version (name -> content); version 2 has larger ones, and one more.
std::map<std::string, std::string> Files(int version) {
  const std::string tag = "v" + std::to_string(version);
  std::map<std::string, std::string> files{
      {"a.dat", hostile::Repeat(tag + " a ", version == 1 ? 2000 : 60000)},  // 300 KiB in v2
      {"P.exe", "MZ " + tag}};
  if (version == 2) files["new.dat"] = tag + " new";
  return files;
}

std::string Delivery(int version) {
  std::string script =
      "<Installation><AppPath>{ProgramFiles}\\Storage\\P</AppPath><Exe>P.exe</Exe>"
      "</Installation><Files>";
  std::vector<pkg::EntrySource> entries;
  for (const auto& [name, content] : Files(version)) {
    script += "<File name=\"" + name + "\"/>";
    entries.push_back({name, content, false});
  }
  script +=
      "</Files><Actions><Action event=\"Install.After\" type=\"Registry.WriteValue\" "
      "key=\"HKLM\\Software\\Storage\" valueName=\"Version\" value=\"" +
      std::to_string(version) + "\"/></Actions>";
  return hostile::Product("P.gz", script, entries);
}

// Writes `text` to a file of /proc in one write, as the kernel wants it.
bool WriteProcFile(const char* path, const std::string& text) {
  const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  return ::close(fd) == 0 && written;
}

// Gives this process a mount namespace of its own (and, when it is not root, a user
// namespace in which it may mount); "" when done, else why not.
std::string EnterPrivateMounts() {
  const uid_t uid = ::geteuid();
  const gid_t gid = ::getegid();
  if (uid == 0) {
    if (::unshare(CLONE_NEWNS) != 0) return std::string("unshare: ") + std::strerror(errno);
  } else {
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
      return std::string("unshare: ") + std::strerror(errno);
    }
    if (!WriteProcFile("/proc/self/setgroups", "deny") ||
        !WriteProcFile("/proc/self/uid_map",
                       std::to_string(uid) + " " + std::to_string(uid) + " 1") ||
        !WriteProcFile("/proc/self/gid_map",
                       std::to_string(gid) + " " + std::to_string(gid) + " 1")) {
      return std::string("mapping the user: ") + std::strerror(errno);
    }
  }
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    return std::string("making / private: ") + std::strerror(errno);
  }
  return "";
}

// A tmpfs of `bytes` over the device's fs/, holding what fs/ held; unmounted when it goes.
class SmallDisk {
 public:
  SmallDisk(const test::TempDevice& device, std::size_t bytes) : root_(device.hostDir() + "/fs") {
    const std::string saved = device.hostDir() + "/fs.saved";
    fs::rename(root_, saved);
    fs::create_directory(root_);
    const std::string options = "size=" + std::to_string(bytes);
    if (::mount("tmpfs", root_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
      throw std::runtime_error(std::string("mount: ") + std::strerror(errno));
    }
    fs::copy(saved, root_, fs::copy_options::recursive);
    fs::remove_all(saved);
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  ~SmallDisk() { ::umount2(root_.c_str(), MNT_DETACH); }

  // Fills the disk up to `free` bytes left.
  void LeaveFree(std::size_t free) const {
    struct statvfs status {};
    ASSERT_EQ(::statvfs(root_.c_str(), &status), 0);
    const std::size_t available = status.f_bavail * status.f_frsize;
    ASSERT_GT(available, free);
    test::WriteHostFile(root_ + "/filler", std::string(available - free, 'f'));
  }
  void RemoveFiller() const { fs::remove(root_ + "/filler"); }

 private:
  std::string root_;
};

// The version record and how often the product was started, read from device.db.
struct Record {
  std::string version;  // "" when absent
  std::int64_t starts = -1;
};

Record ReadRecord(const test::TempDevice& device) {
  Record record;
  emu::sql::Database db;
  const emu::Status opened = emu::sql::Database::Open(device.hostDir() + "/device.db", false, &db);
  EXPECT_TRUE(opened.ok()) << opened.message();
  emu::sql::Statement version = db.Prepare(
      "SELECT v.data FROM registry_values v JOIN registry_keys k ON v.key = k.id "
      "WHERE k.name = 'Storage' AND v.name = 'Version'");
  bool row = false;
  if (version.Step(&row).ok() && row) {
    for (const unsigned char unit : version.Blob(0)) {
      if (unit != 0) record.version += static_cast<char>(unit);  // ASCII in UTF-16
    }
  }
  emu::sql::Statement starts = db.Prepare(
      "SELECT count(*) FROM events WHERE kind = 'process' AND application = ? AND "
      "command_line = '-firstRun -zandrel'");
  if (starts.Bind(1, kProgram).Step(&row).ok() && row) {
    record.starts = starts.Int(0);
  }
  return record;
}

// Staging files anywhere on the device.
std::vector<std::string> StagingFiles(const test::TempDevice& device) {
  std::vector<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(device.hostDir() + "/fs")) {
    if (entry.path().filename().string().starts_with("~")) found.push_back(entry.path().string());
  }
  return found;
}

class StorageFullTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { mountProblem_ = EnterPrivateMounts(); }

  // Installs version 1, then delivers version 2.
  void InstallFirstVersion() {
    device_.WriteFile(u"\\Temp\\P.gz", Delivery(1));
    ASSERT_EQ(Run().exitCode, 0);
    ExpectVersion(1, 1);
    device_.WriteFile(u"\\Temp\\P.gz", Delivery(2));
  }

  test::UpdaterResult Run() const {
    return test::RunUpdater(device_.hostDir(), {"-unpackProduct", "\\Temp"});
  }

  // Every file of `version` in place, its record written, the product started `starts`
  // times, no staging file anywhere and only `temp` in \Temp.
  void ExpectVersion(int version, std::int64_t starts,
                     const std::vector<std::string>& temp = {}) const {
    for (const auto& [name, content] : Files(version)) {
      const std::u16string path = kFolder + std::u16string(name.begin(), name.end());
      EXPECT_TRUE(device_.Exists(path) && device_.ReadFile(path) == content)
          << name << " is not of version " << version;
    }
    const Record record = ReadRecord(device_);
    EXPECT_EQ(record.version, std::to_string(version));
    EXPECT_EQ(record.starts, starts);
    EXPECT_EQ(StagingFiles(device_), std::vector<std::string>{});
    EXPECT_EQ(device_.ListFiles(u"\\Temp"), temp);
  }

  // The run with the cause in place keeps version 1 and the delivery as `kept`; after
  // `removeCause` the next run installs version 2.
  void ExpectRefusedUntil(const std::function<void()>& removeCause, const std::string& kept) {
    ASSERT_EQ(Run().exitCode, 0);
    ExpectVersion(1, 1, {kept});
    EXPECT_FALSE(fs::is_regular_file(device_.HostPath(std::u16string(kFolder) + u"new.dat")));
    removeCause();
    ASSERT_EQ(Run().exitCode, 0);
    ExpectVersion(2, 2);
  }

  // Mounts a small disk over the device's file system; "" when done, else why not.
  std::string MountSmallDisk() {
    if (!mountProblem_.empty()) return mountProblem_;
    try {
      disk_ = std::make_unique<SmallDisk>(device_, 768 * kKiB);
    } catch (const std::exception& error) {
      return error.what();
    }
    return "";
  }

  static inline std::string mountProblem_;
  test::TempDevice device_;
  std::unique_ptr<SmallDisk> disk_;  // unmounted before the device goes
};

TEST_F(StorageFullTest, ADeliveryWhosePackageDoesNotFitIsKept) {
  if (const std::string problem = MountSmallDisk(); !problem.empty()) {
    GTEST_SKIP() << "no small disk: " << problem;
  }
  ASSERT_NO_FATAL_FAILURE(InstallFirstVersion());
  ASSERT_NO_FATAL_FAILURE(disk_->LeaveFree(150 * kKiB));  // the package needs over 300 KiB
  ExpectRefusedUntil([&] { disk_->RemoveFiller(); }, "P.gz");
}

TEST_F(StorageFullTest, NewFilesThatDoNotFitLeaveTheOldVersionWhole) {
  if (const std::string problem = MountSmallDisk(); !problem.empty()) {
    GTEST_SKIP() << "no small disk: " << problem;
  }
  ASSERT_NO_FATAL_FAILURE(InstallFirstVersion());
  // The package fits, its 300 KiB file staged beside it does not.
  ASSERT_NO_FATAL_FAILURE(disk_->LeaveFree(400 * kKiB));
  ExpectRefusedUntil([&] { disk_->RemoveFiller(); }, "P.gz.try1");
}

}  // namespace
