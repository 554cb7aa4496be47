#include "framework/PushButton.h"

namespace fw {
namespace {
using T = PropertyType;
}  // namespace

const std::vector<PropertySchemaEntry>& PushButton::PropertySchema() const {
  static const std::vector<PropertySchemaEntry> schema = Join(
      Join(CommonSchema(),
           {
               {"Caption", T::Text, "Caption"},
               {"Default", T::Boolean, "Default"},
               {"Cancel", T::Boolean, "Cancel"},
               {"ButtonStyle", T::Integer, "ButtonStyle"},
           }),
      FontSchema());
  return schema;
}

}  // namespace fw
