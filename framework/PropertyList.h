#pragma once

// Packed property lists: entries one after another, each the key (ASCII
// letters), one space, then the value in the form of the key's type:
// integer 4 bytes big-endian, Boolean 1 byte, colour 3 bytes (r, g, b), text a
// 4-byte big-endian length and that many bytes. The type follows from the key.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace fw {

struct Color {
  uint8_t red = 0, green = 0, blue = 0;
  bool operator==(const Color&) const = default;
};

enum class PropertyType { Integer, Boolean, Color, Text };

using PropertyValue = std::variant<int32_t, bool, Color, std::string>;

// Writes a packed list, entry by entry, in the order of the calls.
class PropertyListBuilder {
 public:
  PropertyListBuilder& Integer(std::string_view key, int32_t value);
  PropertyListBuilder& Boolean(std::string_view key, bool value);
  PropertyListBuilder& Colour(std::string_view key, Color value);
  PropertyListBuilder& Text(std::string_view key, std::string_view value);
  const std::string& Bytes() const { return bytes_; }

 private:
  void Key(std::string_view key);
  std::string bytes_;
};

// One property a class accepts in its lists: the key, its type, and the
// property it sets (usually the key itself).
struct PropertySchemaEntry {
  std::string_view key;
  PropertyType type;
  std::string_view property;
};

struct ParsedProperty {
  std::string property;
  PropertyValue value;
};

// Reads a whole list against a schema. A list that cannot be read (an unknown
// key, a key without its space, a value cut short, bytes left over) raises
// PropertyListException naming the key and the byte offset.
std::vector<ParsedProperty> ParsePropertyList(std::string_view bytes,
                                              const std::vector<PropertySchemaEntry>& schema,
                                              std::string_view className);

// Something that takes property lists: a window or a control.
class PropertyTarget {
 public:
  virtual ~PropertyTarget() = default;
  virtual const std::vector<PropertySchemaEntry>& PropertySchema() const = 0;
  virtual std::string_view SchemaClassName() const = 0;
  // Sets one property, already checked against the schema.
  virtual void ApplyProperty(const std::string& property, const PropertyValue& value) = 0;
};

// Sets each listed property of the target; nothing is applied when the list
// cannot be read as a whole.
void SetProperties(PropertyTarget& target, std::string_view bytes);

}  // namespace fw
