// staging_floor: the system calls that the Files pass of a product of small files cannot
// do without, made straight on the host, so that bench/e2e can tell what the updater's
// way of placing files costs by itself from what the emulated device and the updater
// add to it. No package, no script, no device: for each file, a staging file is created,
// written and closed beside its target; when all are written, each is renamed onto its
// target (the target is new, so the rename refuses to replace).
//
//   staging_floor DIR [--count N] [--folders N] [--watch] [--seed N]
//       N files (default 100,000) of 50 to 400 bytes in folders of equal share (default
//       one per 100 files), placed where the updater puts the listed files of
//       `bench_data tiles`: DIR/tiles/zF/tiles/zF/tNNNNN.png. With --watch every folder
//       also has an inotify watch for the changes of its entries, and the queue is read
//       after each step, as the emulated device keeps its folder cache current.
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Options {
  std::string root;
  long count = 100000;
  long folders = 0;  // 0: one per 100 files
  bool watch = false;
  std::uint64_t seed = 1;
};

[[noreturn]] void Usage() {
  std::fprintf(stderr, "usage: staging_floor DIR [--count N] [--folders N] [--watch] [--seed N]\n");
  std::exit(2);
}

long Number(const char* text) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value <= 0) Usage();
  return value;
}

Options Parse(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool valued = arg == "--count" || arg == "--folders" || arg == "--seed";
    if (valued && i + 1 >= argc) Usage();
    if (arg == "--count") {
      options.count = Number(argv[++i]);
    } else if (arg == "--folders") {
      options.folders = Number(argv[++i]);
    } else if (arg == "--seed") {
      options.seed = static_cast<std::uint64_t>(Number(argv[++i]));
    } else if (arg == "--watch") {
      options.watch = true;
    } else if (options.root.empty() && !arg.starts_with("-")) {
      options.root = arg;
    } else {
      Usage();
    }
  }
  if (options.root.empty()) Usage();
  if (options.folders == 0) options.folders = (options.count + 99) / 100;
  return options;
}

// The inotify queue, read to its end after each step when watching.
class Watcher {
 public:
  explicit Watcher(bool on) : fd_(on ? ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC) : -1) {}
  ~Watcher() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Watch(const std::string& folder) {
    constexpr std::uint32_t kEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                      IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
    return fd_ < 0 || ::inotify_add_watch(fd_, folder.c_str(), kEvents) >= 0;
  }
  void Drain() {
    if (fd_ < 0) return;
    while (::read(fd_, buffer_, sizeof buffer_) > 0) {
    }
  }

 private:
  int fd_;
  alignas(struct inotify_event) char buffer_[64 * 1024];
};

bool MakeFolder(const std::string& path) {
  return ::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = Parse(argc, argv);
  Watcher watcher(options.watch);
  const std::string base = options.root + "/tiles";
  if (!MakeFolder(options.root) || !MakeFolder(base)) {
    std::fprintf(stderr, "staging_floor: cannot make %s: %s\n", base.c_str(), std::strerror(errno));
    return 1;
  }
  // The folders, each held open as the device holds the folders it uses.
  std::vector<int> folders;
  for (long f = 0; f < options.folders; ++f) {
    const std::string outer = base + "/z" + std::to_string(f);
    const std::string inner = outer + "/tiles/z" + std::to_string(f);
    if (!MakeFolder(outer) || !MakeFolder(outer + "/tiles") || !MakeFolder(inner) ||
        !watcher.Watch(inner)) {
      std::fprintf(stderr, "staging_floor: cannot make %s: %s\n", inner.c_str(),
                   std::strerror(errno));
      return 1;
    }
    folders.push_back(::open(inner.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folders.back() < 0) return 1;
  }
  std::uint64_t state = options.seed;
  char data[400];
  for (char& byte : data) byte = static_cast<char>(state = state * 6364136223846793005u + 1);
  for (const bool placing : {false, true}) {
    for (long i = 0; i < options.count; ++i) {
      const int folder = folders[static_cast<std::size_t>(i * options.folders / options.count)];
      const std::string staging = "~upd" + std::to_string(i) + ".tmp";
      if (!placing) {
        const int file =
            ::openat(folder, staging.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        const auto size = static_cast<std::size_t>(50 + (i * 7919) % 351);
        if (file < 0 || ::pwrite(file, data, size, 0) != static_cast<ssize_t>(size) ||
            ::close(file) != 0) {
          std::fprintf(stderr, "staging_floor: cannot write %s: %s\n", staging.c_str(),
                       std::strerror(errno));
          return 1;
        }
      } else {
        char target[32];
        std::snprintf(target, sizeof target, "t%05ld.png", i);
        if (::renameat2(folder, staging.c_str(), folder, target, RENAME_NOREPLACE) != 0) {
          std::fprintf(stderr, "staging_floor: cannot place %s: %s\n", target,
                       std::strerror(errno));
          return 1;
        }
      }
      watcher.Drain();
    }
  }
  for (const int folder : folders) ::close(folder);
  return 0;
}
