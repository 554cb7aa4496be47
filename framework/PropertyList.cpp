#include "framework/PropertyList.h"

#include <algorithm>

#include "framework/Errors.h"

namespace fw {
namespace {

void PutInt32(std::string& out, int32_t value) {
  const auto u = static_cast<uint32_t>(value);
  out.push_back(static_cast<char>((u >> 24) & 0xFF));
  out.push_back(static_cast<char>((u >> 16) & 0xFF));
  out.push_back(static_cast<char>((u >> 8) & 0xFF));
  out.push_back(static_cast<char>(u & 0xFF));
}

uint32_t GetUint32(std::string_view bytes, std::size_t at) {
  auto b = [&](std::size_t i) { return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + i])); };
  return (b(0) << 24) | (b(1) << 16) | (b(2) << 8) | b(3);
}

bool IsKeyLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

void PropertyListBuilder::Key(std::string_view key) {
  bytes_.append(key);
  bytes_.push_back(' ');
}

PropertyListBuilder& PropertyListBuilder::Integer(std::string_view key, int32_t value) {
  Key(key);
  PutInt32(bytes_, value);
  return *this;
}

PropertyListBuilder& PropertyListBuilder::Boolean(std::string_view key, bool value) {
  Key(key);
  bytes_.push_back(value ? '\1' : '\0');
  return *this;
}

PropertyListBuilder& PropertyListBuilder::Colour(std::string_view key, Color value) {
  Key(key);
  bytes_.push_back(static_cast<char>(value.red));
  bytes_.push_back(static_cast<char>(value.green));
  bytes_.push_back(static_cast<char>(value.blue));
  return *this;
}

PropertyListBuilder& PropertyListBuilder::Text(std::string_view key, std::string_view value) {
  Key(key);
  PutInt32(bytes_, static_cast<int32_t>(value.size()));
  bytes_.append(value);
  return *this;
}

std::vector<ParsedProperty> ParsePropertyList(std::string_view bytes,
                                              const std::vector<PropertySchemaEntry>& schema,
                                              std::string_view className) {
  std::vector<ParsedProperty> parsed;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t entryStart = at;
    std::size_t keyEnd = at;
    while (keyEnd < bytes.size() && IsKeyLetter(bytes[keyEnd])) ++keyEnd;
    const std::string key(bytes.substr(at, keyEnd - at));
    if (key.empty()) {
      throw PropertyListException(key, entryStart, "an entry does not start with a key");
    }
    if (keyEnd >= bytes.size() || bytes[keyEnd] != ' ') {
      throw PropertyListException(key, entryStart, "the key is not followed by a space");
    }
    auto it = std::find_if(schema.begin(), schema.end(),
                           [&](const PropertySchemaEntry& e) { return e.key == key; });
    if (it == schema.end()) {
      throw PropertyListException(key, entryStart,
                                  "no property of that key in class " + std::string(className));
    }
    at = keyEnd + 1;
    const std::size_t left = bytes.size() - at;
    auto need = [&](std::size_t n) {
      if (left < n) throw PropertyListException(key, entryStart, "the value is cut short");
    };
    PropertyValue value;
    switch (it->type) {
      case PropertyType::Integer:
        need(4);
        value = static_cast<int32_t>(GetUint32(bytes, at));
        at += 4;
        break;
      case PropertyType::Boolean: {
        need(1);
        const auto b = static_cast<uint8_t>(bytes[at]);
        if (b > 1) throw PropertyListException(key, entryStart, "a Boolean is neither 0 nor 1");
        value = b == 1;
        at += 1;
        break;
      }
      case PropertyType::Color:
        need(3);
        value = Color{static_cast<uint8_t>(bytes[at]), static_cast<uint8_t>(bytes[at + 1]),
                      static_cast<uint8_t>(bytes[at + 2])};
        at += 3;
        break;
      case PropertyType::Text: {
        need(4);
        const uint32_t length = GetUint32(bytes, at);
        if (left - 4 < length) throw PropertyListException(key, entryStart, "the text is cut short");
        value = std::string(bytes.substr(at + 4, length));
        at += 4 + length;
        break;
      }
    }
    parsed.push_back({std::string(it->property), std::move(value)});
  }
  return parsed;
}

void SetProperties(PropertyTarget& target, std::string_view bytes) {
  // The whole list is read before anything is applied, so that a damaged list
  // leaves the target as it was.
  const auto parsed = ParsePropertyList(bytes, target.PropertySchema(), target.SchemaClassName());
  for (const auto& entry : parsed) target.ApplyProperty(entry.property, entry.value);
}

}  // namespace fw
