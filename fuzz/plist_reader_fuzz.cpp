// Reads arbitrary bytes as an XML property list. Whatever reads must write,
// and what is written must read back and write again to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "support/formats/PropertyList.h"

using orvin::PropertyList;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const PropertyList first = orvin::propertyListFromData(std::span(data, size));
  if (first.isNil()) return 0;
  const auto written = orvin::dataFromPropertyList(first);
  if (!written) std::abort();
  const PropertyList second = orvin::propertyListFromData(*written);
  if (second.isNil()) std::abort();
  // Dates lose their fractions on the first write; after that nothing changes.
  const auto rewritten = orvin::dataFromPropertyList(second);
  if (!rewritten || *rewritten != *written) std::abort();
  if (orvin::propertyListFromData(*rewritten) != second) std::abort();
  return 0;
}
