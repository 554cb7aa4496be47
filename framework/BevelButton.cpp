#include "framework/BevelButton.h"

namespace fw {
namespace {
using T = PropertyType;
}  // namespace

const std::vector<PropertySchemaEntry>& BevelButton::PropertySchema() const {
  static const std::vector<PropertySchemaEntry> schema = Join(
      Join(CommonSchema(),
           {
               {"Caption", T::Text, "Caption"},
               {"CaptionAlign", T::Integer, "CaptionAlign"},
               {"CaptionPlacement", T::Integer, "CaptionPlacement"},
               {"CaptionDelta", T::Integer, "CaptionDelta"},
               {"IconAlign", T::Integer, "IconAlign"},
               {"IconDX", T::Integer, "IconDX"},
               {"IconDY", T::Integer, "IconDY"},
               {"Bevel", T::Integer, "Bevel"},
               {"HasMenu", T::Integer, "HasMenu"},
               {"HasBackColor", T::Boolean, "HasBackColor"},
               {"BackColor", T::Color, "BackColor"},
               {"TextColor", T::Color, "TextColor"},
               {"Value", T::Boolean, "Value"},
               {"MenuValue", T::Integer, "MenuValue"},
               {"ButtonType", T::Integer, "ButtonType"},
               {"AcceptFocus", T::Boolean, "AcceptFocus"},
           }),
      FontSchema());
  return schema;
}

}  // namespace fw
