// The order in which destroying a tree frees its parts: strings, pairs and elements come
// from the block heap, whose frees this binary watches (and the global operator delete,
// for blocks too large for it). Kept apart from the other tests for that.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <new>
#include <unordered_set>
#include <vector>

#include "xml/xml_node.h"
#include "xml/xml_parser.h"

namespace {

// Frees seen while `recording`, the first kKept of them in order.
constexpr std::size_t kKept = 4096;
bool recording = false;
std::array<void*, kKept> freed;
std::size_t freedCount = 0;
// Frees of blocks in `watched`, when set, are also counted apart.
const std::unordered_set<void*>* watched = nullptr;
std::size_t watchedFreedCount = 0;

void Record(void* memory) {
  if (!recording || memory == nullptr) return;
  if (freedCount < kKept) freed[freedCount] = memory;
  ++freedCount;
  if (watched != nullptr && watched->contains(memory)) ++watchedFreedCount;
}

void* Allocate(std::size_t bytes) {
  void* memory = std::malloc(bytes == 0 ? 1 : bytes);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}

}  // namespace

void* operator new(std::size_t bytes) { return Allocate(bytes); }
void* operator new[](std::size_t bytes) { return Allocate(bytes); }
// Large blocks reach operator delete through FreeBlock, which has recorded them already.
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

// What destroying `node` must free, in order: its text, its attributes last first
// (value, name, pair), its children last first with their subtrees, its name, itself.
void ExpectedFrees(XmlNode& node, std::vector<void*>& out) {
  const auto add = [&out](void* memory) {
    if (memory != nullptr) out.push_back(memory);
  };
  add(node.text.data);
  for (std::int32_t i = node.attributes.Count() - 1; i >= 0; --i) {
    NameValuePair* pair = node.attributes.ItemAt(i);
    add(pair->value.data);
    add(pair->name.data);
    add(pair);
  }
  for (std::int32_t i = node.children.Count() - 1; i >= 0; --i) {
    ExpectedFrees(*node.children.ItemAt(i), out);
  }
  add(node.name.data);
  add(&node);
}

// The frees of the parts in `parts` while `root` is destroyed, in order. Item arrays of
// the collections also come from the block heap; they are not among the parts.
std::vector<void*> FreesWhileDestroying(std::unique_ptr<XmlNode> root,
                                        const std::vector<void*>& parts) {
  freedCount = 0;
  recording = true;
  System::ObserveBlockFrees(Record);
  root.reset();
  System::ObserveBlockFrees(nullptr);
  recording = false;
  std::vector<void*> seen;
  for (std::size_t i = 0; i < std::min(freedCount, kKept); ++i) {
    if (std::find(parts.begin(), parts.end(), freed[i]) != parts.end()) seen.push_back(freed[i]);
  }
  return seen;
}

TEST(XmlNodeTeardownTest, SubtreesGoBeforeTheirElementLaterSiblingsFirst) {
  auto root = std::make_unique<XmlNode>(nullptr);
  XmlParser parser;
  parser.Parse(AnsiString(R"(top<a p="1" q><b x="2">tb<c/><d y="3"><e/>te</d></b>ta<f/></a>)"
                          R"(<g z="4"><h/></g>)"),
               *root);
  root->attributes.AddNew("r", 1)->value.AssignCString("5");
  std::vector<void*> expected;
  ExpectedFrees(*root, expected);
  ASSERT_GT(expected.size(), 30u);
  EXPECT_EQ(FreesWhileDestroying(std::move(root), expected), expected);
}

TEST(XmlNodeTeardownTest, DeepTreeFreesEveryPart) {
  constexpr int kDepth = 200000;
  auto root = std::make_unique<XmlNode>(nullptr);
  // Per level the pair and its name, the child and its name; then the root itself. The
  // item arrays are not among them: where they come from is the platform heap's affair.
  std::unordered_set<void*> parts{root.get()};
  XmlNode* node = root.get();
  for (int i = 0; i < kDepth; ++i) {
    NameValuePair* pair = node->attributes.AddNew("k", 1);
    node = node->children.AddNew();
    node->name.AssignCString("n");
    parts.insert({pair, pair->name.data, node, node->name.data});
  }
  ASSERT_EQ(parts.size(), std::size_t{4} * kDepth + 1);
  watched = &parts;
  watchedFreedCount = 0;
  FreesWhileDestroying(std::move(root), {});
  watched = nullptr;
  EXPECT_EQ(watchedFreedCount, parts.size());
}

}  // namespace
