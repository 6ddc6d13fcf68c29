// Throughput of the install-script parser, its search and its teardown, on a
// script-shaped document and on hostile inputs of 1 MiB.
//
// Each input is measured in three stages: Parse (building the tree), Find (FindByName
// of an absent name over the whole tree, and GetAttribute of an absent name on every
// top-level element) and Teardown (destroying the tree); "Whole" runs all three.
// Throughput is in bytes of input per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "system/ansi_string.h"
#include "xml/xml_node.h"
#include "xml/xml_parser.h"

#if XML_BENCH_PUGIXML
#include <pugixml.hpp>
#endif

namespace {

constexpr std::size_t kMiB = 1024 * 1024;

// An install script of about `size` bytes: a Files section with many file entries and
// an Actions section with many actions.
std::string InstallScript(std::size_t size) {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
      "<InstallScript>\r\n"
      "  <Installation>\r\n"
      "    <AppPath>{ProgramFiles}\\Product</AppPath>\r\n"
      "    <Exe>product.exe</Exe>\r\n"
      "  </Installation>\r\n"
      "  <!-- files -->\r\n"
      "  <Files>\r\n";
  char line[256];
  const std::size_t filesEnd = size * 3 / 4;
  for (int i = 0; text.size() < filesEnd; ++i) {
    std::snprintf(line, sizeof line,
                  "    <File name=\"bin/module%05d.dll\" destination=\"%%AppPath%%\\bin\"/>\r\n",
                  i);
    text += line;
  }
  text += "  </Files>\r\n  <Actions>\r\n";
  for (int i = 0; text.size() + 32 < size; ++i) {
    switch (i % 3) {
      case 0:
        std::snprintf(line, sizeof line,
                      "    <Action event=\"Install.Before\" type=\"App.Close\" "
                      "title=\"Product &amp; Tools %d\"/>\r\n",
                      i);
        break;
      case 1:
        std::snprintf(line, sizeof line,
                      "    <Action event=\"Install.After\" type=\"Registry.WriteValue\" "
                      "root=\"HKLM\" key=\"\\Software\\Vendor\\Product\" name=\"Value%d\" "
                      "value=\"%d\" kind=\"dword\"/>\r\n",
                      i, i);
        break;
      default:
        std::snprintf(line, sizeof line,
                      "    <Action event=\"Install.After\" type=\"Shortcut.Create\">"
                      "<Note>Shortcut %d</Note></Action>\r\n",
                      i);
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

enum class Stage { Parse, Find, Teardown, Whole };

void Search(XmlNode& root) {
  benchmark::DoNotOptimize(root.FindByName("absent"));
  for (std::int32_t i = 0; i < root.children.Count(); ++i) {
    benchmark::DoNotOptimize(root.children.ItemAt(i)->GetAttribute("absent"));
  }
}

std::unique_ptr<XmlNode> Load(const AnsiString& text) {
  auto root = std::make_unique<XmlNode>(nullptr);
  XmlParser parser;
  parser.Parse(text, *root);
  return root;
}

void Run(benchmark::State& state, const std::string& input, Stage stage) {
  const AnsiString text(input.c_str());
  std::unique_ptr<XmlNode> root;
  if (stage == Stage::Find) root = Load(text);
  for (auto _ : state) {
    switch (stage) {
      case Stage::Parse:
        root = Load(text);
        state.PauseTiming();
        root.reset();
        state.ResumeTiming();
        break;
      case Stage::Find:
        Search(*root);
        break;
      case Stage::Teardown:
        state.PauseTiming();
        root = Load(text);
        state.ResumeTiming();
        root.reset();
        break;
      case Stage::Whole:
        root = Load(text);
        Search(*root);
        root.reset();
        break;
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}

const std::string& Input(const std::string& name) {
  static const std::string script1 = InstallScript(kMiB);
  static const std::string script20 = InstallScript(20 * kMiB);
  static const std::string unmatched = UnmatchedEndTags();
  static const std::string nested = NestedElements();
  static const std::string attributes = ManyAttributes();
  if (name == "InstallScript1MiB") return script1;
  if (name == "InstallScript20MiB") return script20;
  if (name == "UnmatchedEndTags") return unmatched;
  if (name == "NestedElements") return nested;
  return attributes;
}

#if XML_BENCH_PUGIXML
// pugixml on the same bytes, parse and teardown, for comparison.
void RunPugixml(benchmark::State& state, const std::string& input) {
  for (auto _ : state) {
    pugi::xml_document document;
    benchmark::DoNotOptimize(document.load_buffer(input.data(), input.size()));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
}
#endif

void RegisterAll() {
  const std::pair<const char*, Stage> stages[] = {{"Parse", Stage::Parse},
                                                  {"Find", Stage::Find},
                                                  {"Teardown", Stage::Teardown},
                                                  {"Whole", Stage::Whole}};
  for (const char* input : {"InstallScript1MiB", "InstallScript20MiB", "UnmatchedEndTags",
                            "NestedElements", "ManyAttributes"}) {
    for (const auto& [stageName, stage] : stages) {
      const std::string name = std::string(stageName) + "/" + input;
      benchmark::RegisterBenchmark(name.c_str(), [input, stage = stage](benchmark::State& s) {
        Run(s, Input(input), stage);
      })->Unit(benchmark::kMillisecond);
    }
  }
#if XML_BENCH_PUGIXML
  for (const char* input : {"InstallScript1MiB", "InstallScript20MiB"}) {
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
