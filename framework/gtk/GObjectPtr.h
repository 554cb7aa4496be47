#pragma once

// Small owners for GLib objects, signal connections and main-loop sources, so
// that every reference, handler and timer the backend takes is given back by a
// destructor and none outlives the C++ object it calls into.

#include <glib-object.h>

#include <utility>

namespace fw::gtk {

// Holds one strong reference to a GObject. Adopting a floating object (a new
// widget) sinks it, so the pointer stays ours whatever a container does.
template <typename T>
class GObjectPtr {
 public:
  GObjectPtr() = default;
  // Takes over a reference the caller owns; sinks a floating one.
  static GObjectPtr Adopt(T* object) {
    GObjectPtr ptr;
    if (object != nullptr) {
      if (g_object_is_floating(object)) {
        g_object_ref_sink(object);
      }
      ptr.object_ = object;
    }
    return ptr;
  }
  // Adds a reference of our own to an object someone else owns.
  static GObjectPtr Share(T* object) {
    GObjectPtr ptr;
    if (object != nullptr) {
      ptr.object_ = static_cast<T*>(g_object_ref_sink(object));
    }
    return ptr;
  }
  ~GObjectPtr() { Reset(); }
  GObjectPtr(GObjectPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  GObjectPtr& operator=(GObjectPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }
  GObjectPtr(const GObjectPtr&) = delete;
  GObjectPtr& operator=(const GObjectPtr&) = delete;

  void Reset() {
    if (object_ != nullptr) {
      g_object_unref(std::exchange(object_, nullptr));
    }
  }
  T* get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  T* object_ = nullptr;
};

// One signal handler, disconnected when this goes away (unless the object it
// was connected on is already finalized, which the weak pointer tells).
class SignalConnection {
 public:
  SignalConnection() = default;
  SignalConnection(gpointer instance, gulong id) : instance_(instance), id_(id) {
    if (instance_ != nullptr) {
      g_object_add_weak_pointer(G_OBJECT(instance_), &instance_);
    }
  }
  ~SignalConnection() { Disconnect(); }
  SignalConnection(SignalConnection&& other) noexcept { *this = std::move(other); }
  SignalConnection& operator=(SignalConnection&& other) noexcept {
    if (this != &other) {
      Disconnect();
      if (other.instance_ != nullptr) {
        g_object_remove_weak_pointer(G_OBJECT(other.instance_), &other.instance_);
        instance_ = std::exchange(other.instance_, nullptr);
        g_object_add_weak_pointer(G_OBJECT(instance_), &instance_);
      }
      id_ = std::exchange(other.id_, 0);
    }
    return *this;
  }
  SignalConnection(const SignalConnection&) = delete;
  SignalConnection& operator=(const SignalConnection&) = delete;

  void Disconnect() {
    if (instance_ != nullptr) {
      g_object_remove_weak_pointer(G_OBJECT(instance_), &instance_);
      if (id_ != 0 && g_signal_handler_is_connected(instance_, id_)) {
        g_signal_handler_disconnect(instance_, id_);
      }
      instance_ = nullptr;
    }
    id_ = 0;
  }

 private:
  gpointer instance_ = nullptr;
  gulong id_ = 0;
};

// A main-loop source (idle or timeout), removed when this goes away unless
// it has already run to its end; the callback calls Finished() before it
// answers G_SOURCE_REMOVE so that the id is not removed twice.
class SourceId {
 public:
  SourceId() = default;
  explicit SourceId(guint id) : id_(id) {}
  ~SourceId() { Remove(); }
  SourceId(SourceId&& other) noexcept : id_(std::exchange(other.id_, 0)) {}
  SourceId& operator=(SourceId&& other) noexcept {
    if (this != &other) {
      Remove();
      id_ = std::exchange(other.id_, 0);
    }
    return *this;
  }
  SourceId(const SourceId&) = delete;
  SourceId& operator=(const SourceId&) = delete;

  void Remove() {
    if (id_ != 0) {
      g_source_remove(std::exchange(id_, 0));
    }
  }
  void Finished() { id_ = 0; }
  bool Active() const { return id_ != 0; }

 private:
  guint id_ = 0;
};

}  // namespace fw::gtk
