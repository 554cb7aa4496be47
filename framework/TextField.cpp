#include "framework/TextField.h"

namespace fw {
namespace {
using T = PropertyType;
}  // namespace

std::string TextField::Text() const { return Peer() ? Peer()->Text() : text_; }

void TextField::SetText(const std::string& text) { ApplyProperty("Text", text); }

void TextField::PropertyChanged(const std::string& property, const PropertyValue& value) {
  if (property == "Text") {
    text_ = std::get<std::string>(value);
    if (Peer()) Peer()->SetText(text_);
  }
}

const std::vector<PropertySchemaEntry>& TextField::PropertySchema() const {
  static const std::vector<PropertySchemaEntry> schema = Join(
      Join(CommonSchema(),
           {
               {"Border", T::Boolean, "Border"},
               {"Password", T::Boolean, "Password"},
               {"UseFocusRing", T::Boolean, "UseFocusRing"},
               {"TextColor", T::Color, "TextColor"},
               {"BackColor", T::Color, "BackColor"},
               {"Format", T::Text, "Format"},
               {"CueText", T::Text, "CueText"},
               {"Text", T::Text, "Text"},
               {"Mask", T::Text, "Mask"},
               {"ReadOnly", T::Boolean, "ReadOnly"},
               {"LimitText", T::Integer, "LimitText"},
               {"AcceptTabs", T::Boolean, "AcceptTabs"},
               {"Alignment", T::Integer, "Alignment"},
               {"DataSource", T::Text, "DataSource"},
               {"DataField", T::Text, "DataField"},
           }),
      FontSchema());
  return schema;
}

}  // namespace fw
