#include "driver/delivery.h"

String SetAsidePath(const String& deliveredPath, std::int32_t attempt) {
  String path(deliveredPath);
  path.Append(attempt == 1 ? TEXT(".try1") : TEXT(".try2"));
  return path;
}
