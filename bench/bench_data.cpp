// bench_data: writes the product folders that bench/e2e packs and installs. The same
// seed always gives the same bytes, on any host.
//
//   bench_data product DIR [--seed N] [--size BYTES] [--files N]
//       N files (default 50) of BYTES in all (default 200,000,000) in five folders:
//       three in five are text, the rest random bytes; and their InstallScript.xml.
//   bench_data tiny DIR [--seed N] [--count N] [--registry]
//       N (default 1,000) product folders DIR/pNNNN, each a script and two small files;
//       with --registry each script also writes one registry value.
//   bench_data entries DIR [--seed N] [--count N]
//       One product of N (default 100,000) small files, 1,000 a folder, all listed in
//       its script.
//   bench_data tiles DIR [--seed N] [--count N] [--folders N]
//       One product of N (default 100,000) files of 50 to 400 random bytes in folders
//       (default one per 100 files) tiles/zF/tNNNNN.png, listed the way products list
//       them: <File name="tiles\zF\tNNNNN.png" destination="%AppPath%\tiles\zF"/>.
//   bench_data script-bomb DIR [--count N]
//       A folder whose InstallScript.xml is "<a/>" N times (default 4,194,304: 16 MiB).
//   bench_data entry-bomb FILE [--count N]
//       A package of N (default 10,000,000) empty entries, each named "a", and no
//       script, made for the name FILE opens under (FILE without its .gz); gzip
//       compressed (level 9) when FILE ends in .gz.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "flags.h"
#include "package/package_writer.h"

namespace {

// splitmix64: small, fast and fully specified, so the data never depends on the
// standard library's generators.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }
  std::uint64_t Below(std::uint64_t bound) { return Next() % bound; }

 private:
  std::uint64_t state_;
};

// Text that compresses like prose: lines of words from a fixed vocabulary, the
// frequent words far more frequent than the rare ones.
class TextMaker {
 public:
  explicit TextMaker(Random& random) : random_(random) {
    for (int i = 0; i < 4096; ++i) {
      std::string word;
      const auto length = 2 + random_.Below(9);
      for (std::uint64_t c = 0; c < length; ++c) word += static_cast<char>('a' + random_.Below(26));
      words_.push_back(word);
    }
  }
  void Fill(std::string& out, std::size_t size) {
    out.clear();
    std::size_t column = 0;
    while (out.size() < size) {
      const std::uint64_t r = random_.Below(4096);
      const std::string& word = words_[r * r / 4096];
      out += word;
      column += word.size();
      if (column > 64 + random_.Below(16)) {
        out += "\r\n";
        column = 0;
      } else {
        out += ' ';
        ++column;
      }
    }
    out.resize(size);
  }

 private:
  Random& random_;
  std::vector<std::string> words_;
};

void FillRandom(Random& random, std::string& out, std::size_t size) {
  out.resize(size);
  for (std::size_t i = 0; i < size; i += 8) {
    const std::uint64_t word = random.Next();
    for (std::size_t b = 0; b < 8 && i + b < size; ++b)
      out[i + b] = static_cast<char>(word >> (8 * b));
  }
}

bool WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) std::cerr << "bench_data: cannot write " << path << "\n";
  return static_cast<bool>(file);
}

// The script of a product whose Files section lists `entries`, all below %AppPath%, or
// each to the folder of the same index in `destinations` when that is given.
// With `registry`, an action after the files writes one registry value.
std::string Script(const std::string& product, const std::vector<std::string>& entries,
                   bool registry, const std::vector<std::string>& destinations = {}) {
  std::string script =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<InstallScript>\r\n"
      "  <Installation>\r\n    <AppPath>{ProgramFiles}\\" +
      product +
      "</AppPath>\r\n"
      "  </Installation>\r\n  <Files>\r\n";
  for (std::size_t i = 0; i < entries.size(); ++i) {
    script += "    <File name=\"" + entries[i] + "\"";
    if (i < destinations.size()) script += " destination=\"" + destinations[i] + "\"";
    script += "/>\r\n";
  }
  script += "  </Files>\r\n  <Actions>\r\n";
  if (registry) {
    script +=
        "    <Action event=\"Install.After\" type=\"Registry.WriteValue\" "
        "key=\"HKLM\\Software\\Bench\\" +
        product + "\" valueName=\"Installed\" value=\"1\"/>\r\n";
  }
  script += "  </Actions>\r\n</InstallScript>\r\n";
  return script;
}

bool MakeProduct(const std::filesystem::path& dir, std::uint64_t seed, std::uint64_t size,
                 int files) {
  Random random(seed);
  TextMaker text(random);
  std::vector<std::string> entries;
  std::string bytes;
  for (int i = 0; i < files; ++i) {
    const std::uint64_t fileSize = size / files + (i < static_cast<int>(size % files) ? 1 : 0);
    const bool isText = i % 5 < 3;
    char name[64];
    std::snprintf(name, sizeof name, "part%d\\%s%02d.%s", i % 5, isText ? "text" : "blob", i,
                  isText ? "txt" : "bin");
    if (isText) {
      text.Fill(bytes, fileSize);
    } else {
      FillRandom(random, bytes, fileSize);
    }
    std::string relative = name;
    for (char& c : relative) c = c == '\\' ? '/' : c;
    if (!WriteFile(dir / relative, bytes)) return false;
    entries.push_back(name);
  }
  return WriteFile(dir / "InstallScript.xml", Script("Bench", entries, false));
}

bool MakeTiny(const std::filesystem::path& dir, std::uint64_t seed, int count, bool registry) {
  Random random(seed);
  TextMaker text(random);
  std::string bytes;
  for (int p = 0; p < count; ++p) {
    char product[16];
    std::snprintf(product, sizeof product, "p%04d", p);
    const std::filesystem::path folder = dir / product;
    text.Fill(bytes, 200 + random.Below(800));
    if (!WriteFile(folder / "readme.txt", bytes)) return false;
    FillRandom(random, bytes, 100 + random.Below(400));
    if (!WriteFile(folder / "bin/tool.dat", bytes)) return false;
    if (!WriteFile(folder / "InstallScript.xml",
                   Script(product, {"readme.txt", "bin\\tool.dat"}, registry))) {
      return false;
    }
  }
  return true;
}

bool MakeEntries(const std::filesystem::path& dir, std::uint64_t seed, int count) {
  Random random(seed);
  TextMaker text(random);
  std::vector<std::string> entries;
  std::string bytes;
  for (int i = 0; i < count; ++i) {
    char relative[64];
    std::snprintf(relative, sizeof relative, "d%03d/f%06d.txt", i / 1000, i);
    text.Fill(bytes, random.Below(200));
    if (!WriteFile(dir / relative, bytes)) return false;
    std::string entry = relative;
    entry[4] = '\\';
    entries.push_back(entry);
  }
  return WriteFile(dir / "InstallScript.xml", Script("Many", entries, false));
}

// Tiles in folders of equal share, listed folder by folder: entry "tiles\zF\tNNNNN.png"
// to the destination "%AppPath%\tiles\zF" (where the updater puts it is its own affair:
// it joins destination and name).
bool MakeTiles(const std::filesystem::path& dir, std::uint64_t seed, int count, int folders) {
  Random random(seed);
  std::vector<std::string> entries;
  std::vector<std::string> destinations;
  entries.reserve(static_cast<std::size_t>(count));
  destinations.reserve(static_cast<std::size_t>(count));
  std::string bytes;
  for (int i = 0; i < count; ++i) {
    const int folder = static_cast<int>(static_cast<std::int64_t>(i) * folders / count);
    char relative[64];
    std::snprintf(relative, sizeof relative, "tiles/z%d/t%05d.png", folder, i);
    FillRandom(random, bytes, 50 + random.Below(351));
    if (!WriteFile(dir / relative, bytes)) return false;
    std::string entry = relative;
    for (char& c : entry) c = c == '/' ? '\\' : c;
    entries.push_back(entry);
    destinations.push_back("%AppPath%\\" + entry.substr(0, entry.rfind('\\')));
  }
  return WriteFile(dir / "InstallScript.xml", Script("Tiles", entries, false, destinations));
}

bool MakeScriptBomb(const std::filesystem::path& dir, std::uint64_t count) {
  std::string script;
  script.reserve(count * 4);
  for (std::uint64_t i = 0; i < count; ++i) script += "<a/>";
  return WriteFile(dir / "InstallScript.xml", script);
}

// Written record by record rather than through PackageWriter, whose sink would take
// each word on its own: header word 0, the entry count, then per entry a name length of
// 1, the scrambled name byte, size 0 and flag 0.
bool MakeEntryBomb(const std::filesystem::path& file, std::uint64_t count) {
  if (count > 0x7FFFFFFF) {
    std::cerr << "bench_data: at most 2,147,483,647 entries\n";
    return false;
  }
  std::string name = file.filename().string();
  const bool compress = name.size() > 3 && name.compare(name.size() - 3, 3, ".gz") == 0;
  if (compress) name.resize(name.size() - 3);
  const pkg::Scrambler scrambler(name);
  std::unique_ptr<pkg::ByteSink> sink;
  if (compress) {
    sink = std::make_unique<pkg::GzipSink>(file.string(), 9);
  } else {
    sink = std::make_unique<pkg::FileSink>(file.string());
  }
  std::string buffer;
  const auto word = [&](std::uint32_t value) {
    for (int b = 0; b < 4; ++b) buffer += static_cast<char>(value >> (8 * b));
  };
  word(0);
  word(static_cast<std::uint32_t>(count));
  for (std::uint64_t i = 0; i < count; ++i) {
    word(1);
    buffer += static_cast<char>(scrambler.Encode('a'));
    word(0);
    word(0);
    if (buffer.size() >= (1u << 20)) {
      if (!sink->Write(buffer.data(), buffer.size())) break;
      buffer.clear();
    }
  }
  if (!sink->Write(buffer.data(), buffer.size()) || !sink->Finish()) {
    std::cerr << "bench_data: " << sink->error() << "\n";
    return false;
  }
  return true;
}

int Usage() {
  std::cerr << "usage: bench_data product|tiny|entries|tiles|script-bomb DIR [--seed N] "
               "[--size BYTES] [--files N] [--count N] [--folders N] [--registry]\n"
               "       bench_data entry-bomb FILE [--count N]\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  tool::Flags flags({"--seed", "--size", "--files", "--count", "--folders"}, {"--registry"});
  std::string error;
  if (!flags.Parse(args, &error)) {
    std::cerr << "bench_data: " << error << "\n";
    return Usage();
  }
  if (flags.arguments().size() != 2) return Usage();
  const std::string& mode = flags.arguments()[0];
  const std::filesystem::path dir = flags.arguments()[1];
  const auto number = [&](std::string_view name, std::uint64_t fallback) {
    const auto value = flags.Value(name);
    return value ? std::stoull(*value) : fallback;
  };
  const std::uint64_t seed = number("--seed", 1);
  bool ok = false;
  if (mode == "product") {
    ok = MakeProduct(dir, seed, number("--size", 200000000),
                     static_cast<int>(number("--files", 50)));
  } else if (mode == "tiny") {
    ok = MakeTiny(dir, seed, static_cast<int>(number("--count", 1000)), flags.Has("--registry"));
  } else if (mode == "entries") {
    ok = MakeEntries(dir, seed, static_cast<int>(number("--count", 100000)));
  } else if (mode == "tiles") {
    const int count = static_cast<int>(number("--count", 100000));
    const int folders = static_cast<int>(number("--folders", count >= 200 ? count / 100 : 1));
    if (count < 1 || folders < 1 || folders > count) return Usage();
    ok = MakeTiles(dir, seed, count, folders);
  } else if (mode == "script-bomb") {
    ok = MakeScriptBomb(dir, number("--count", 4194304));
  } else if (mode == "entry-bomb") {
    ok = MakeEntryBomb(dir, number("--count", 10000000));
  } else {
    return Usage();
  }
  return ok ? 0 : 1;
}
