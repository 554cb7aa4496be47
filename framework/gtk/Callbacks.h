#pragma once

// The one way from the toolkit into the backend's code. GTK, GLib and WebKit
// call C functions; an exception thrown through one of them unwinds C frames
// that cannot take it. Every signal handler, class handler, idle or timeout
// source and any other function handed to a C API is reached through a
// trampoline made here: it is noexcept, hands an exception to the framework's
// default handling and answers the toolkit a fallback instead. The rule that
// no exception crosses a toolkit callback so holds by construction, and each
// connection or source comes back as the owner that ends it.

#include <glib-unix.h>
#include <glib-object.h>

#include <exception>
#include <type_traits>

#include "framework/Runtime.h"
#include "framework/gtk/GObjectPtr.h"

namespace fw::gtk {

// The fallback of a callback that names none: the zero of its result (FALSE,
// nil), or nothing for a callback that answers nothing.
struct ZeroAnswer {};

namespace detail {

template <typename R, auto Fallback>
R FallbackAnswer() {
  if constexpr (std::is_void_v<R>) {
    return;
  } else if constexpr (std::is_same_v<std::remove_cv_t<decltype(Fallback)>, ZeroAnswer>) {
    return R{};
  } else {
    return static_cast<R>(Fallback);
  }
}

// Runs `call`; what it throws goes to the framework's default handling, and
// the toolkit is answered `Fallback`.
template <typename R, auto Fallback, typename Call>
R Guard(Call&& call) noexcept {
  try {
    return call();
  } catch (...) {
    ReportException(std::current_exception());
  }
  return FallbackAnswer<R, Fallback>();
}

template <auto Function, auto Fallback>
struct Trampoline;

// A member function gets the callback's own arguments; the object is the
// callback's user data, which GLib hands over last.
template <typename C, typename R, typename... Args, R (C::*Method)(Args...), auto Fallback>
struct Trampoline<Method, Fallback> {
  static R Call(Args... args, gpointer self) noexcept {
    return Guard<R, Fallback>([&]() -> R { return (static_cast<C*>(self)->*Method)(args...); });
  }
};

// A free function has the callback's exact signature.
template <typename R, typename... Args, R (*Function)(Args...), auto Fallback>
struct Trampoline<Function, Fallback> {
  static R Call(Args... args) noexcept {
    return Guard<R, Fallback>([&]() -> R { return Function(args...); });
  }
};

// A source that runs once: the object's `Slot` holding it is told first that
// the source has ended, since the method may replace it or delete the object.
template <auto Slot, auto Method>
struct OnceTrampoline;

template <typename C, SourceId C::*Slot, void (C::*Method)()>
struct OnceTrampoline<Slot, Method> {
  static gboolean Call(gpointer self) noexcept {
    auto* object = static_cast<C*>(self);
    (object->*Slot).Finished();
    Guard<void, ZeroAnswer{}>([object] { (object->*Method)(); });
    return G_SOURCE_REMOVE;
  }
};

// A source that runs each time its event comes, for as long as it is kept.
template <auto Method>
struct RepeatTrampoline;

template <typename C, void (C::*Method)()>
struct RepeatTrampoline<Method> {
  static gboolean Call(gpointer self) noexcept {
    Guard<void, ZeroAnswer{}>([self] { (static_cast<C*>(self)->*Method)(); });
    return G_SOURCE_CONTINUE;
  }
};

}  // namespace detail

// A free function as a C callback of the same signature, for a C API that
// takes a function of its own (class handlers, vfuncs, foreach callbacks).
template <auto Function, auto Fallback = ZeroAnswer{}>
inline constexpr auto Guarded = &detail::Trampoline<Function, Fallback>::Call;

// Connects `Method` of `self` to `signal` of `instance`; the handler is
// disconnected when the returned connection goes away.
template <auto Method, auto Fallback = ZeroAnswer{}, typename C>
SignalConnection Connect(gpointer instance, const char* signal, C* self) {
  return SignalConnection(
      instance, g_signal_connect(instance, signal,
                                 G_CALLBACK((detail::Trampoline<Method, Fallback>::Call)), self));
}

// Connects a free function, whose last argument is the unused user data, to
// `signal` of `instance` for the instance's whole life: it holds no object of
// ours that could go away before the instance does.
template <auto Function, auto Fallback = ZeroAnswer{}>
void ConnectForLife(gpointer instance, const char* signal) {
  g_signal_connect(instance, signal, G_CALLBACK((Guarded<Function, Fallback>)), nullptr);
}

// Runs `Method` of `self` once, from the main loop when it is idle. `Slot` is
// the member of `self` that holds the returned source.
template <auto Slot, auto Method, typename C>
SourceId RunWhenIdle(C* self) {
  return SourceId(g_idle_add(&detail::OnceTrampoline<Slot, Method>::Call, self));
}

// Runs `Method` of `self` once, `delayMs` milliseconds from now. `Slot` is the
// member of `self` that holds the returned source.
template <auto Slot, auto Method, typename C>
SourceId RunAfter(guint delayMs, C* self) {
  return SourceId(g_timeout_add(delayMs, &detail::OnceTrampoline<Slot, Method>::Call, self));
}

// Runs `Method` of `self` from the main loop each time the process gets the
// Unix signal `signal`, for as long as the returned source is kept.
template <auto Method, typename C>
SourceId RunOnUnixSignal(int signal, C* self) {
  return SourceId(g_unix_signal_add(signal, &detail::RepeatTrampoline<Method>::Call, self));
}

// Hangs `data` on `object` under `key`, deleted with the object or when the
// key is set again.
template <typename T>
void SetOwnedData(gpointer object, const char* key, T* data) {
  static_assert(std::is_nothrow_destructible_v<T>);
  g_object_set_data_full(G_OBJECT(object), key, data,
                         [](gpointer owned) noexcept { delete static_cast<T*>(owned); });
}

}  // namespace fw::gtk
