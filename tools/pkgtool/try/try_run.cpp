#include "try/try_run.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string_view>
#include <thread>

#include "code_page.h"
#include "counted.h"
#include "device.h"
#include "driver/observation_log.h"
#include "name_compare.h"
#include "package_view.h"
#include "scratch_device.h"
#include "try/interrupt_signals.h"

extern char** environ;

namespace pkgtool {

namespace fs = std::filesystem;

namespace {

bool IsExecutable(const std::string& path) {
  std::error_code failure;
  return !path.empty() && fs::is_regular_file(path, failure) && ::access(path.c_str(), X_OK) == 0;
}

// The device file, in the delivery folder, that the updater writes its account to.
constexpr char kAccountName[] = "updater-account.txt";

using Clock = std::chrono::steady_clock;

// How often the wait for the updater looks at the clock and for a signal.
constexpr auto kPollInterval = std::chrono::milliseconds(20);
// How long an ended updater has between SIGTERM and SIGKILL.
constexpr auto kTermGrace = std::chrono::seconds(2);

// Waits up to `limit` for `child` to end, without reaping it: while it is not reaped its
// process group keeps its number. False at the limit, or on a signal when `stopOnSignal`.
bool WaitFor(pid_t child, Clock::duration limit, bool stopOnSignal) {
  const Clock::time_point deadline = Clock::now() + limit;
  for (;;) {
    siginfo_t info{};
    const int waited =
        ::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT);
    if (waited == 0 && info.si_pid == child) return true;
    if (waited < 0 && errno != EINTR) return true;  // nothing to wait for
    if (Clock::now() >= deadline || (stopOnSignal && InterruptSignals::Received() != 0))
      return false;
    std::this_thread::sleep_for(kPollInterval);
  }
}

// Ends what is left of the process group of `child`, then reaps the child and returns
// its wait status. `gently`: SIGTERM first, SIGKILL after a grace period.
int EndGroup(pid_t child, bool gently) {
  if (gently) {
    ::kill(-child, SIGTERM);
    WaitFor(child, kTermGrace, false);
  }
  ::kill(-child, SIGKILL);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

// Runs the updater on `deviceDir`, delivering from the device folder `folder`, and waits
// for it, at most `timeoutSeconds`; its output is discarded.
bool RunUpdater(const std::string& updater, const std::string& deviceDir, const std::string& folder,
                int timeoutSeconds, int* exitCode, std::string* error) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, "CE_DEVICE=", 10) != 0 &&
        std::strncmp(*entry, "CE_DEVICE_HOST_EXEC=", 20) != 0) {
      environment.emplace_back(*entry);
    }
  }
  environment.push_back("CE_DEVICE=" + deviceDir);
  environment.push_back("CE_DEVICE_HOST_EXEC=0");
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::string program = updater;
  std::string job = "-unpackProduct";
  std::string where = folder;
  std::string observe = emu::Utf16ToUtf8(ObservationLog::kOption);
  std::string account = folder + "\\" + kAccountName;
  char* argv[] = {program.data(), job.data(),     where.data(),
                  observe.data(), account.data(), nullptr};

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  // A process group of its own, so that ending it ends what it started too.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);
  pid_t child = 0;
  const int spawned =
      posix_spawn(&child, program.c_str(), &actions, &attributes, argv, envp.data());
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    *error = updater + ": " + std::strerror(spawned);
    return false;
  }
  const bool finished = WaitFor(child, std::chrono::seconds(timeoutSeconds), true);
  // Programs it left running in its group are ended with it.
  const int status = EndGroup(child, !finished);
  if (!finished) {
    const int signal = InterruptSignals::Received();
    *error = signal != 0
                 ? std::string("interrupted (") + ::strsignal(signal) + "): the updater was ended"
                 : "the updater did not finish within " +
                       tool::Counted(static_cast<std::uint64_t>(timeoutSeconds), "second") +
                       " and was ended";
    return false;
  }
  *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return true;
}

// A top-level folder name that the device does not have yet.
std::string FreeFolderName(const std::string& fsDir) {
  std::string name = "pkgtool-try";
  std::error_code failure;
  for (int n = 2; fs::exists(fs::path(fsDir) / name, failure); ++n)
    name = "pkgtool-try-" + std::to_string(n);
  return name;
}

std::vector<Shortcut> ReadShortcuts(const std::string& fsDir, const DeviceChanges& changes) {
  std::vector<Shortcut> shortcuts;
  for (const FileChange& file : changes.files) {
    if (file.kind == FileChange::Kind::kDeleted || file.path.size() < 4) continue;
    std::string extension = file.path.substr(file.path.size() - 4);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension != ".lnk") continue;
    std::string host = file.path;
    std::replace(host.begin(), host.end(), '\\', '/');
    std::ifstream in(fsDir + host, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    // "LENGTH#TARGET", the target in the device code page.
    const std::string text = content.str();
    const std::size_t hash = text.find('#');
    shortcuts.push_back(
        {file.path, emu::Utf16ToUtf8(emu::AnsiToUtf16(
                        hash == std::string::npos ? text : text.substr(hash + 1)))});
  }
  return shortcuts;
}

// Gives each tried product what the account tells of its installation. The updater
// lists its folder once, so each delivery is installed once at most.
void AttachAccount(std::vector<ProductInstall> installs, std::vector<TriedProduct>& products) {
  for (TriedProduct& tried : products) {
    const std::u16string delivered = emu::Utf8ToUtf16(tried.deliveredAs);
    const auto found =
        std::find_if(installs.begin(), installs.end(), [&](const ProductInstall& install) {
          return emu::EqualsIgnoringCase(emu::Utf8ToUtf16(install.path), delivered);
        });
    if (found == installs.end()) continue;
    tried.accounted = true;
    tried.install = *found;
  }
}

}  // namespace

std::string FindUpdater(const std::string& explicitPath, std::string* error) {
  if (!explicitPath.empty()) {
    if (IsExecutable(explicitPath)) return explicitPath;
    *error = explicitPath + ": not an executable file";
    return {};
  }
  if (const char* fromEnvironment = std::getenv("PKGTOOL_UPDATER");
      fromEnvironment != nullptr && *fromEnvironment) {
    if (IsExecutable(fromEnvironment)) return fromEnvironment;
    *error = std::string(fromEnvironment) + " (PKGTOOL_UPDATER): not an executable file";
    return {};
  }
  std::error_code failure;
  const fs::path self = fs::read_symlink("/proc/self/exe", failure);
  if (!failure && IsExecutable((self.parent_path() / "updater").string())) {
    return (self.parent_path() / "updater").string();
  }
  if (const char* path = std::getenv("PATH"); path != nullptr) {
    std::string_view folders(path);
    while (!folders.empty()) {
      const std::size_t colon = std::min(folders.find(':'), folders.size());
      const std::string folder(folders.substr(0, colon));
      folders.remove_prefix(std::min(colon + 1, folders.size()));
      const std::string candidate = (folder.empty() ? "." : folder) + "/updater";
      if (IsExecutable(candidate)) return candidate;
    }
  }
  *error = "cannot find the updater program: give --updater PATH or set PKGTOOL_UPDATER";
  return {};
}

bool DeliveryNames(const TryOptions& options, std::vector<std::string>* names, std::string* error) {
  names->clear();
  std::vector<std::u16string> seen;
  for (const std::string& product : options.products) {
    const std::string name =
        options.asName.empty() ? OpeningName(product) : WithoutGz(options.asName);
    if (name.empty() || name.find_first_of("/\\") != std::string::npos) {
      *error = "'" + name + "' cannot be a device file name";
      return false;
    }
    // The updater installs "*.gz" files; a plain package is delivered as one too, and
    // its expansion copies it unchanged.
    const std::string delivered = name + ".gz";
    const std::u16string deviceName = emu::Utf8ToUtf16(delivered);
    for (const std::u16string& other : seen) {
      if (emu::EqualsIgnoringCase(other, deviceName)) {
        *error = product + ": another product is delivered as " + emu::Utf16ToUtf8(other) +
                 " too; the updater would take one of them only";
        return false;
      }
    }
    seen.push_back(deviceName);
    names->push_back(delivered);
  }
  return true;
}

bool TryProducts(const TryOptions& options, TryResult* result, std::string* error) {
  *result = TryResult();
  std::error_code failure;
  for (const std::string& product : options.products) {
    if (!fs::is_regular_file(product, failure)) {
      *error = product + ": " + (failure ? failure.message() : "not a file");
      return false;
    }
  }
  std::vector<std::string> names;
  if (!DeliveryNames(options, &names, error)) return false;
  const auto device = ScratchDevice::Create(error, options.deviceCopy);
  if (device == nullptr) return false;
  const std::string fsDir = device->hostDir() + "/fs";
  const std::string folder = FreeFolderName(fsDir);

  DeviceSnapshot before;
  if (!TakeSnapshot(device->hostDir(), folder, &before, error)) return false;
  if (!fs::create_directory(fs::path(fsDir) / folder, failure)) {
    *error = fsDir + "/" + folder + ": " + failure.message();
    return false;
  }
  for (std::size_t i = 0; i < options.products.size(); ++i) {
    // A copy, never a link: the product's own file is not the updater's to delete.
    if (!fs::copy_file(options.products[i], fs::path(fsDir) / folder / names[i], failure)) {
      *error = options.products[i] + ": " + failure.message();
      return false;
    }
    TriedProduct tried;
    tried.product = options.products[i];
    tried.deliveredAs = "\\" + folder + "\\" + names[i];
    result->products.push_back(std::move(tried));
  }
  result->deliveredAs = result->products.front().deliveredAs;
  // The updater takes the folder's deliveries in the device's listing order.
  std::stable_sort(result->products.begin(), result->products.end(),
                   [](const TriedProduct& a, const TriedProduct& b) {
                     return emu::LessIgnoringCase(emu::Utf8ToUtf16(a.deliveredAs),
                                                  emu::Utf8ToUtf16(b.deliveredAs));
                   });

  if (!RunUpdater(options.updater, device->hostDir(), "\\" + folder, options.timeoutSeconds,
                  &result->updaterExit, error))
    return false;

  DeviceSnapshot after;
  if (!TakeSnapshot(device->hostDir(), folder, &after, error)) return false;
  for (const fs::directory_entry& left :
       fs::directory_iterator(fs::path(fsDir) / folder, failure)) {
    if (left.path().filename() == kAccountName) continue;
    result->leftDelivered.push_back("\\" + folder + "\\" + left.path().filename().string());
  }
  std::sort(result->leftDelivered.begin(), result->leftDelivered.end());
  for (TriedProduct& tried : result->products) {
    tried.keptForAnotherAttempt =
        std::find(result->leftDelivered.begin(), result->leftDelivered.end(),
                  tried.deliveredAs + ".try1") != result->leftDelivered.end();
    result->keptForAnotherAttempt = result->keptForAnotherAttempt || tried.keptForAnotherAttempt;
  }
  result->changes = CompareSnapshots(before, after);
  if (const emu::Status status =
          emu::ReadEvents(*emu::CurrentDevice(), before.lastEvent, &result->events);
      !status.ok()) {
    *error = "journal: " + status.message();
    return false;
  }
  result->shortcuts = ReadShortcuts(fsDir, result->changes);
  if (std::ifstream in(fs::path(fsDir) / folder / kAccountName, std::ios::binary); in) {
    std::ostringstream bytes;
    bytes << in.rdbuf();
    RunAccount account = ReadRunAccount(bytes.str());
    result->accountGiven = account.given;
    result->nested = std::move(account.nested);
    AttachAccount(std::move(account.products), result->products);
  }
  return true;
}

bool FoundProblem(const TryResult& result) {
  const bool failedStart = std::any_of(
      result.events.begin(), result.events.end(),
      [](const emu::JournalEvent& event) { return event.process && !event.process->started; });
  return result.updaterExit != 0 || !result.leftDelivered.empty() || failedStart;
}

}  // namespace pkgtool
