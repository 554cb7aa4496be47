#pragma once

#include <stdexcept>
#include <string>

namespace fw {

// The framework's errors. Every one of them carries the name of its class so
// that the default handling can report "ClassName: message" on stderr.
class RuntimeException : public std::runtime_error {
 public:
  explicit RuntimeException(const std::string& message) : std::runtime_error(message) {}
  virtual const char* ClassName() const noexcept { return "RuntimeException"; }
};

// Raised where an object that is about to be used is missing.
class NilObjectException : public RuntimeException {
 public:
  explicit NilObjectException(const std::string& message = "a needed object is nil")
      : RuntimeException(message) {}
  const char* ClassName() const noexcept override { return "NilObjectException"; }
};

class IOException : public RuntimeException {
 public:
  using RuntimeException::RuntimeException;
  const char* ClassName() const noexcept override { return "IOException"; }
};

// A packed property list that cannot be read, or names a property the class lacks.
class PropertyListException : public RuntimeException {
 public:
  PropertyListException(const std::string& key, std::size_t offset, const std::string& what)
      : RuntimeException("property list: " + what + " (key \"" + key + "\" at byte " +
                         std::to_string(offset) + ")"),
        key_(key),
        offset_(offset) {}
  const char* ClassName() const noexcept override { return "PropertyListException"; }
  const std::string& Key() const { return key_; }
  std::size_t Offset() const { return offset_; }

 private:
  std::string key_;
  std::size_t offset_;
};

// A call through a plug-in entry that start-up did not resolve.
class PluginEntryException : public RuntimeException {
 public:
  using RuntimeException::RuntimeException;
  const char* ClassName() const noexcept override { return "PluginEntryException"; }
};

// An event name or handler that does not fit the control it is installed on.
class EventException : public RuntimeException {
 public:
  using RuntimeException::RuntimeException;
  const char* ClassName() const noexcept override { return "EventException"; }
};

}  // namespace fw
