#include "named_mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "code_page.h"
#include "device.h"
#include "handle_values.h"
#include "native_error.h"
#include "scoped_fd.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kOwned = '1';
constexpr char kReleased = '0';

struct Mutex {
  std::string key;        // the lock file's path; empty for an unnamed mutex
  emu::ScopedFd owner;    // locked exclusively while a thread of this process owns it
  emu::ScopedFd present;  // locked shared while this process has a handle
  std::mutex guard;
  std::condition_variable released;
  std::thread::id holder;  // guarded; the owning thread of this process, if any
  int recursion = 0;       // guarded
  bool abandoned = false;  // guarded; an unnamed mutex's owner ended without releasing it
  int handles = 0;         // under the table's lock
};

// The mutexes that the calling thread owns: when the thread ends, it abandons them, as on
// CE. A named one keeps its "owned" marker, so that its next owner, in this process or
// another, learns it.
class OwnedByThisThread {
 public:
  OwnedByThisThread() = default;
  OwnedByThisThread(const OwnedByThisThread&) = delete;
  OwnedByThisThread& operator=(const OwnedByThisThread&) = delete;
  ~OwnedByThisThread() {
    for (const std::weak_ptr<Mutex>& weak : owned_) {
      const std::shared_ptr<Mutex> mutex = weak.lock();
      if (mutex == nullptr) continue;
      const std::lock_guard lock(mutex->guard);
      if (mutex->recursion == 0 || mutex->holder != std::this_thread::get_id()) continue;
      if (mutex->key.empty()) {
        mutex->abandoned = true;
      } else {
        ::flock(mutex->owner.get(), LOCK_UN);
      }
      mutex->recursion = 0;
      mutex->holder = std::thread::id();
      mutex->released.notify_one();
    }
  }

  void Add(const std::shared_ptr<Mutex>& mutex) { owned_.push_back(mutex); }
  void Remove(const Mutex& mutex) {
    std::erase_if(owned_, [&](const std::weak_ptr<Mutex>& weak) {
      const std::shared_ptr<Mutex> held = weak.lock();
      return held == nullptr || held.get() == &mutex;
    });
  }

 private:
  std::vector<std::weak_ptr<Mutex>> owned_;
};

thread_local OwnedByThisThread ownedByThisThread;

// Opens both files of a new named mutex; *existed tells whether another process has a
// handle to it.
DWORD OpenFiles(Mutex& mutex, bool* existed) {
  mutex.owner.Reset(::open(mutex.key.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
  mutex.present.Reset(::open((mutex.key + ".open").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
  if (!mutex.owner.valid() || !mutex.present.valid()) return emu::ErrorFromErrno(errno);
  *existed = ::flock(mutex.present.get(), LOCK_EX | LOCK_NB) != 0;
  // No process has a handle, so nobody owns it: a new mutex, never an abandoned one.
  if (!*existed) static_cast<void>(::pwrite(mutex.owner.get(), &kReleased, 1, 0));
  while (::flock(mutex.present.get(), LOCK_SH) != 0) {
    if (errno != EINTR) return emu::ErrorFromErrno(errno);
  }
  return ERROR_SUCCESS;
}

class MutexTable {
 public:
  // A new handle to the mutex `key`: a new mutex when `key` is empty (unnamed) or not
  // yet open in this process, whose files are then opened. *existed tells whether the
  // mutex had a handle before, here or in another process.
  DWORD Open(const std::string& key, HANDLE* handle, bool* existed) {
    const std::lock_guard lock(mutex_);
    std::shared_ptr<Mutex> mutex;
    if (const auto found = byKey_.find(key); !key.empty() && found != byKey_.end()) {
      mutex = found->second;
    }
    *existed = mutex != nullptr;
    if (mutex == nullptr) {
      mutex = std::make_shared<Mutex>();
      mutex->key = key;
      if (!key.empty()) {
        if (const DWORD error = OpenFiles(*mutex, existed); error != ERROR_SUCCESS) return error;
        byKey_[key] = mutex;
      }
    }
    ++mutex->handles;
    *handle = emu::NewHandleValue();
    byHandle_[*handle] = std::move(mutex);
    return ERROR_SUCCESS;
  }

  std::shared_ptr<Mutex> Find(HANDLE handle) {
    const std::lock_guard lock(mutex_);
    const auto found = byHandle_.find(handle);
    return found == byHandle_.end() ? nullptr : found->second;
  }

  // Forgets the handle; the mutex goes with its last handle unless a thread owns it,
  // which keeps it until the process ends (then it is abandoned).
  bool Close(HANDLE handle) {
    const std::lock_guard lock(mutex_);
    const auto found = byHandle_.find(handle);
    if (found == byHandle_.end()) return false;
    const std::shared_ptr<Mutex> mutex = std::move(found->second);
    byHandle_.erase(found);
    if (--mutex->handles > 0 || mutex->key.empty()) return true;
    const std::lock_guard owned(mutex->guard);
    if (mutex->recursion == 0) byKey_.erase(mutex->key);
    return true;
  }

 private:
  std::mutex mutex_;
  std::map<std::string, std::shared_ptr<Mutex>> byKey_;
  std::map<HANDLE, std::shared_ptr<Mutex>> byHandle_;
};

MutexTable& Table() {
  static MutexTable table;
  return table;
}

std::string Hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (const unsigned char c : bytes) text += {kDigits[c >> 4], kDigits[c & 15]};
  return text;
}

// The lock file of the mutex `name` on the current device; empty with *error set when
// the device has no folder.
std::string LockPath(const std::u16string& name, DWORD* error) {
  const std::string deviceDir = emu::CurrentDevice()->hostDir();
  struct stat info;
  if (deviceDir.empty() || ::stat(deviceDir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    *error = ERROR_PATH_NOT_FOUND;
    return {};
  }
  const std::string folder = deviceDir + "/mutexes";
  if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
    *error = emu::ErrorFromErrno(errno);
    return {};
  }
  // Names are compared exactly: the file name is the name's UTF-8 bytes in hex.
  return folder + "/" + Hex(emu::Utf16ToUtf8(name));
}

// Takes the lock file of `mutex` until `deadline` (none: for good). False on timeout.
bool LockFile(const Mutex& mutex, const Clock::time_point* deadline, bool* abandoned) {
  const int fd = mutex.owner.get();
  if (deadline == nullptr) {
    while (::flock(fd, LOCK_EX) != 0) {
      if (errno != EINTR) return false;
    }
  } else {
    auto pause = std::chrono::milliseconds(1);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const Clock::time_point now = Clock::now();
      if ((errno != EWOULDBLOCK && errno != EINTR) || now >= *deadline) return false;
      std::this_thread::sleep_for(std::min<Clock::duration>(pause, *deadline - now));
      pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
  }
  char state = kReleased;
  *abandoned = ::pread(fd, &state, 1, 0) == 1 && state == kOwned;
  static_cast<void>(::pwrite(fd, &kOwned, 1, 0));
  return true;
}

void UnlockFile(const Mutex& mutex) {
  static_cast<void>(::pwrite(mutex.owner.get(), &kReleased, 1, 0));
  ::flock(mutex.owner.get(), LOCK_UN);
}

DWORD Wait(const std::shared_ptr<Mutex>& owned, DWORD milliseconds) {
  Mutex& mutex = *owned;
  const std::thread::id self = std::this_thread::get_id();
  const bool forever = milliseconds == INFINITE;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  std::unique_lock lock(mutex.guard);
  if (mutex.recursion > 0 && mutex.holder == self) {
    ++mutex.recursion;
    return WAIT_OBJECT_0;
  }
  const auto free = [&] { return mutex.recursion == 0 && mutex.holder == std::thread::id(); };
  if (forever) {
    mutex.released.wait(lock, free);
  } else if (!mutex.released.wait_until(lock, deadline, free)) {
    return WAIT_TIMEOUT;
  }
  // This thread is the one of the process that takes the lock file.
  mutex.holder = self;
  bool abandoned = false;
  if (!mutex.key.empty()) {
    lock.unlock();
    const bool locked = LockFile(mutex, forever ? nullptr : &deadline, &abandoned);
    lock.lock();
    if (!locked) {
      mutex.holder = std::thread::id();
      mutex.released.notify_one();
      return WAIT_TIMEOUT;
    }
  }
  abandoned = abandoned || std::exchange(mutex.abandoned, false);
  mutex.recursion = 1;
  ownedByThisThread.Add(owned);
  return abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
}

}  // namespace

HANDLE CreateMutexW(SECURITY_ATTRIBUTES* /*attributes*/, BOOL initialOwner, LPCWSTR name) {
  std::string key;
  DWORD error = ERROR_SUCCESS;
  if (name != nullptr && (key = LockPath(name, &error)).empty()) {
    SetLastError(error);
    return nullptr;
  }
  HANDLE handle = nullptr;
  bool existed = false;
  if (error = Table().Open(key, &handle, &existed); error != ERROR_SUCCESS) {
    SetLastError(error);
    return nullptr;
  }
  if (initialOwner && !existed) Wait(Table().Find(handle), 0);
  SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) {
  const std::shared_ptr<Mutex> mutex = Table().Find(object);
  if (mutex == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  return Wait(mutex, milliseconds);
}

BOOL ReleaseMutex(HANDLE handle) {
  const std::shared_ptr<Mutex> mutex = Table().Find(handle);
  if (mutex == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  const std::lock_guard lock(mutex->guard);
  if (mutex->recursion == 0 || mutex->holder != std::this_thread::get_id()) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  if (--mutex->recursion == 0) {
    if (!mutex->key.empty()) UnlockFile(*mutex);
    mutex->holder = std::thread::id();
    mutex->released.notify_one();
    ownedByThisThread.Remove(*mutex);
  }
  return TRUE;
}

namespace emu {

bool CloseMutexHandle(HANDLE handle) { return Table().Close(handle); }

}  // namespace emu
