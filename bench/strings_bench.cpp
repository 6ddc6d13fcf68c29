// The hot paths of the foundation types: String and AnsiString Assign, String Append and
// Replace (the "%AppPath%" expansion of every file entry), and Collection growth.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "system/ansi_string.h"
#include "system/string_builder.h"
#include "system/wide_string.h"

namespace {

// Attribute-sized narrow texts: names and values of 4 to 60 bytes.
const std::vector<std::string>& NarrowTexts() {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> out;
    for (int i = 0; i < 1000; ++i)
      out.push_back(std::string(4 + i % 57, static_cast<char>('a' + i % 26)));
    return out;
  }();
  return texts;
}

// A fresh AnsiString per text: one buffer each, as the parser makes them.
void AnsiStringAssignFresh(benchmark::State& state) {
  const auto& texts = NarrowTexts();
  for (auto _ : state) {
    for (const std::string& text : texts) {
      AnsiString value;
      value.Assign(text.data(), static_cast<std::int32_t>(text.size()));
      benchmark::DoNotOptimize(value.data);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(texts.size()));
}
BENCHMARK(AnsiStringAssignFresh);

// One AnsiString assigned again and again: the buffer grows to the longest text once.
void AnsiStringAssignReused(benchmark::State& state) {
  const auto& texts = NarrowTexts();
  AnsiString value;
  for (auto _ : state) {
    for (const std::string& text : texts) {
      value.Assign(text.data(), static_cast<std::int32_t>(text.size()));
      benchmark::DoNotOptimize(value.data);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(texts.size()));
}
BENCHMARK(AnsiStringAssignReused);

void StringAssignFromAnsi(benchmark::State& state) {
  const auto& texts = NarrowTexts();
  for (auto _ : state) {
    for (const std::string& text : texts) {
      String value;
      value.AssignFromAnsi(text.data(), static_cast<std::int32_t>(text.size()));
      benchmark::DoNotOptimize(value.data);
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(texts.size()));
}
BENCHMARK(StringAssignFromAnsi);

// A path built segment by segment, as CreateDirectories and CombinePath do.
void StringAppend(benchmark::State& state) {
  const String segment(u"Segment");
  for (auto _ : state) {
    String path;
    for (int i = 0; i < state.range(0); ++i) {
      path.AppendChar(u'\\');
      path.Append(segment);
    }
    benchmark::DoNotOptimize(path.data);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(StringAppend)->Arg(8)->Arg(1000);

// "%AppPath%" replaced in a file entry's target path.
void StringReplace(benchmark::State& state) {
  const String path(u"%AppPath%\\bin\\modules\\group012\\module012345.dll");
  const String pattern(u"%AppPath%");
  const String folder(u"\\Program Files\\Vendor\\Product");
  for (auto _ : state) benchmark::DoNotOptimize(path.Replace(pattern, folder).data);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(StringReplace);

// Growing a list of N segments from 4 slots, then destroying it.
void CollectionGrowth(benchmark::State& state) {
  for (auto _ : state) {
    System::Text::StringBuilder list;
    for (int i = 0; i < state.range(0); ++i) list.AddString(u"x", 1);
    benchmark::DoNotOptimize(list.items);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(CollectionGrowth)->Arg(4)->Arg(12)->Arg(1000)->Arg(100000);

}  // namespace

BENCHMARK_MAIN();
