#include "xml/open_elements.h"

#include "xml/xml_node.h"

namespace System::Xml {

namespace {
// An element's name as strcmp compares it. Only the root has a null name, and the root
// is never counted.
std::string_view NameOf(const XmlNode& element) {
  return element.name.data == nullptr ? std::string_view() : std::string_view(element.name.data);
}
}  // namespace

void OpenElements::Reset(XmlNode& root) {
  chain_.clear();
  chain_.push_back(&root);
  counted_ = 1;
  names_.clear();
}

void OpenElements::Release() {
  std::vector<XmlNode*>().swap(chain_);
  std::unordered_map<std::string_view, std::int32_t>().swap(names_);
  counted_ = 1;
}

XmlNode* OpenElements::CloseInnermost() {
  if (chain_.size() > 1) PopTo(chain_.size() - 1);
  return chain_.back();
}

XmlNode* OpenElements::Close(const char* name) {
  // The uncounted part, innermost first: normally the innermost element itself matches.
  for (std::size_t i = chain_.size() - 1; i >= counted_; --i) {
    if (chain_[i]->name.Equals(name)) {
      PopTo(i);
      return chain_.back();
    }
  }
  // The counted part is walked only when the name is known to be there.
  if (counted_ > 1) {
    const auto found = names_.find(std::string_view(name));
    if (found != names_.end() && found->second > 0) {
      for (std::size_t i = counted_ - 1; i >= 1; --i) {
        if (chain_[i]->name.Equals(name)) {
          PopTo(i);
          return chain_.back();
        }
      }
    }
  }
  // A miss: count what was walked so that later misses skip it.
  for (std::size_t i = counted_; i < chain_.size(); ++i) ++names_[NameOf(*chain_[i])];
  counted_ = chain_.size();
  return chain_.back();
}

void OpenElements::PopTo(std::size_t depth) {
  for (std::size_t i = depth; i < counted_; ++i) --names_[NameOf(*chain_[i])];
  if (counted_ > depth) counted_ = depth;
  chain_.resize(depth);
}

}  // namespace System::Xml
