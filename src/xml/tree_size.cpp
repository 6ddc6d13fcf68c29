#include "xml/tree_size.h"

#include "system/name_value_pair.h"
#include "xml/xml_node.h"

namespace System::Xml {

namespace {
// An element's place among its parent's children, with what the array's growth leaves
// behind: arrays grow by a third to a half, and a small array's old copy stays in its
// chunk. An attribute's place beyond its element's first four.
constexpr std::int64_t kElementPlace = 3 * sizeof(void*);
constexpr std::int64_t kAttributePlace = 2 * sizeof(void*);
// The first array of an element's attributes: four places.
constexpr std::int64_t kFirstArray = 4 * sizeof(void*);
}  // namespace

std::int64_t TreeSize::Bytes() const {
  return elements * (static_cast<std::int64_t>(sizeof(XmlNode)) + kElementPlace + kFirstArray) +
         attributes * (static_cast<std::int64_t>(sizeof(NameValuePair)) + kAttributePlace) +
         stringBytes;
}

}  // namespace System::Xml
