#include "framework/Separator.h"

namespace fw {

const std::vector<PropertySchemaEntry>& Separator::PropertySchema() const {
  static const std::vector<PropertySchemaEntry> schema = CommonSchema();
  return schema;
}

}  // namespace fw
