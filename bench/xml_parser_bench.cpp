// Throughput of the install-script parser, its search and its teardown: on a generated
// script of 100,000 file entries and 50,000 actions (about 20 MB), on one of 1 MB, on the
// example products' scripts, and on hostile inputs of 1 MiB; pugixml parses the same
// bytes as the reference.
//
// Each input is measured in three stages: Parse (building the tree), Find (FindByName
// of an absent name over the whole tree, and GetAttribute of an absent name on every
// top-level element) and Teardown (destroying the tree); "Whole" runs all three.
// Throughput is in bytes of input per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "system/ansi_string.h"
#include "xml/xml_node.h"
#include "xml/xml_parser.h"

#if XML_BENCH_PUGIXML
#include <pugixml.hpp>
#endif

namespace {

constexpr std::size_t kMiB = 1024 * 1024;

// An install script with `files` file entries and `actions` actions, shaped like the
// scripts products ship: a declaration, a comment, the Installation section, and entries
// with a few attributes each. 100,000 files and 50,000 actions make about 20 MB.
std::string InstallScript(int files, int actions) {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
      "<InstallScript>\r\n"
      "  <Installation>\r\n"
      "    <AppPath>{ProgramFiles}\\Product</AppPath>\r\n"
      "    <Exe>product.exe</Exe>\r\n"
      "  </Installation>\r\n"
      "  <!-- files -->\r\n"
      "  <Files>\r\n";
  char line[512];
  for (int i = 0; i < files; ++i) {
    std::snprintf(line, sizeof line,
                  "    <File name=\"bin\\modules\\components\\group%03d\\module%06d.dll\" "
                  "destination=\"%%AppPath%%\\bin\\modules\\components\\group%03d\"/>\r\n",
                  i / 1000, i, i / 1000);
    text += line;
  }
  text += "  </Files>\r\n  <Actions>\r\n";
  for (int i = 0; i < actions; ++i) {
    switch (i % 3) {
      case 0:
        std::snprintf(line, sizeof line,
                      "    <Action event=\"Install.Before\" type=\"App.Close\" "
                      "windowTitle=\"Product &amp; Tools %d\"/>\r\n",
                      i);
        break;
      case 1:
        std::snprintf(line, sizeof line,
                      "    <Action event=\"Install.After\" type=\"Registry.WriteValue\" "
                      "root=\"HKLM\" key=\"\\Software\\Vendor\\Product\\Settings\\Group%d\" "
                      "name=\"Value%d\" value=\"%d\" kind=\"dword\"/>\r\n",
                      i / 100, i, i);
        break;
      default:
        std::snprintf(line, sizeof line,
                      "    <Action event=\"Install.After\" type=\"Shortcut.Create\" "
                      "target=\"%%AppPath%%\\product.exe\" "
                      "shortcut=\"{Programs}\\Product\\Shortcut %d.lnk\">"
                      "<Note>Shortcut %d &lt;made by the installer&gt;</Note></Action>\r\n",
                      i, i);
        break;
    }
    text += line;
  }
  text += "  </Actions>\r\n</InstallScript>\r\n";
  return text;
}

std::string Repeat(const std::string& piece, std::size_t size) {
  std::string text;
  text.reserve(size + piece.size());
  while (text.size() + piece.size() <= size) text += piece;
  return text;
}

// Half a deep chain of unclosed elements, half end tags that match none of them.
std::string UnmatchedEndTags() { return Repeat("<a>", kMiB / 2) + Repeat("</b>", kMiB / 2); }
// As many nested elements as fit: "<>" opens an element with an empty name.
std::string NestedElements() { return Repeat("<>", kMiB); }
// One element with valueless attributes, then one with quoted values.
std::string ManyAttributes() {
  return "<a" + Repeat(" x", kMiB / 2) + "/><b" + Repeat(" y=\"1\"", kMiB / 2) + "/>";
}

// The example products' scripts, as shipped: small real documents.
std::vector<std::string> ExampleScripts() {
  std::vector<std::string> scripts;
  for (const char* product : {"notes", "sync", "suite", "dictionary"}) {
    const std::string path =
        std::string(UPDATER_EXAMPLES_DIR) + "/" + product + "/InstallScript.xml";
    std::ifstream file(path, std::ios::binary);
    scripts.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  return scripts;
}

// Each benchmark input: one or more documents, parsed one after the other.
const std::vector<std::string>& Input(const std::string& name) {
  static std::map<std::string, std::vector<std::string>> inputs;
  auto& documents = inputs[name];
  if (!documents.empty()) return documents;
  if (name == "Script20MB") {
    documents = {InstallScript(100000, 50000)};
  } else if (name == "Script1MB") {
    documents = {InstallScript(5000, 2500)};
  } else if (name == "ExampleScripts") {
    documents = ExampleScripts();
  } else if (name == "UnmatchedEndTags") {
    documents = {UnmatchedEndTags()};
  } else if (name == "NestedElements") {
    documents = {NestedElements()};
  } else {
    documents = {ManyAttributes()};
  }
  return documents;
}

std::int64_t TotalSize(const std::vector<std::string>& documents) {
  std::int64_t size = 0;
  for (const std::string& document : documents) size += static_cast<std::int64_t>(document.size());
  return size;
}

enum class Stage { Parse, Find, Teardown, Whole };

void Search(XmlNode& root) {
  benchmark::DoNotOptimize(root.FindByName("absent"));
  for (std::int32_t i = 0; i < root.children.Count(); ++i) {
    benchmark::DoNotOptimize(root.children.ItemAt(i)->GetAttribute("absent"));
  }
}

using Trees = std::vector<std::unique_ptr<XmlNode>>;

Trees Load(const std::vector<AnsiString>& texts) {
  Trees roots;
  XmlParser parser;
  for (const AnsiString& text : texts) {
    roots.push_back(std::make_unique<XmlNode>(nullptr));
    parser.Parse(text, *roots.back());
  }
  return roots;
}

void Run(benchmark::State& state, const std::vector<std::string>& documents, Stage stage) {
  std::vector<AnsiString> texts;
  for (const std::string& document : documents) texts.emplace_back(document.c_str());
  Trees roots;
  if (stage == Stage::Find) roots = Load(texts);
  for (auto _ : state) {
    switch (stage) {
      case Stage::Parse:
        roots = Load(texts);
        state.PauseTiming();
        roots.clear();
        state.ResumeTiming();
        break;
      case Stage::Find:
        for (auto& root : roots) Search(*root);
        break;
      case Stage::Teardown:
        state.PauseTiming();
        roots = Load(texts);
        state.ResumeTiming();
        roots.clear();
        break;
      case Stage::Whole:
        roots = Load(texts);
        for (auto& root : roots) Search(*root);
        roots.clear();
        break;
    }
  }
  state.SetBytesProcessed(state.iterations() * TotalSize(documents));
}

#if XML_BENCH_PUGIXML
// The reference: pugixml on the same bytes, parse and teardown, with its default options
// (which, like our parser, keep no whitespace-only text).
void RunPugixml(benchmark::State& state, const std::vector<std::string>& documents) {
  for (auto _ : state) {
    for (const std::string& document : documents) {
      pugi::xml_document tree;
      benchmark::DoNotOptimize(tree.load_buffer(document.data(), document.size()));
    }
  }
  state.SetBytesProcessed(state.iterations() * TotalSize(documents));
}
#endif

void RegisterAll() {
  const std::pair<const char*, Stage> stages[] = {{"Parse", Stage::Parse},
                                                  {"Find", Stage::Find},
                                                  {"Teardown", Stage::Teardown},
                                                  {"Whole", Stage::Whole}};
  for (const char* input : {"Script20MB", "Script1MB", "ExampleScripts", "UnmatchedEndTags",
                            "NestedElements", "ManyAttributes"}) {
    for (const auto& [stageName, stage] : stages) {
      const std::string name = std::string(stageName) + "/" + input;
      benchmark::RegisterBenchmark(name.c_str(), [input, stage = stage](benchmark::State& s) {
        Run(s, Input(input), stage);
      })->Unit(benchmark::kMillisecond);
    }
  }
#if XML_BENCH_PUGIXML
  for (const char* input : {"Script20MB", "Script1MB", "ExampleScripts"}) {
    const std::string name = std::string("Pugixml/") + input;
    benchmark::RegisterBenchmark(name.c_str(), [input](benchmark::State& s) {
      RunPugixml(s, Input(input));
    })->Unit(benchmark::kMillisecond);
  }
#endif
}

}  // namespace

int main(int argc, char** argv) {
  RegisterAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
