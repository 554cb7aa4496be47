#include "framework/gtk/EditKeys.h"

#include <gtk/gtk.h>

namespace fw::gtk {

std::string EditCommandForKey(unsigned keyval, unsigned modifiers) {
  // Only the modifiers a user means count; lock keys and pointer buttons
  // held down do not change the command.
  const unsigned meant = modifiers & (GDK_CONTROL_MASK | GDK_SHIFT_MASK | GDK_MOD1_MASK |
                                      GDK_SUPER_MASK | GDK_META_MASK);
  const unsigned key = gdk_keyval_to_lower(keyval);
  if (meant == GDK_CONTROL_MASK) {
    switch (key) {
      case GDK_KEY_x: return "EditCut";
      case GDK_KEY_c: return "EditCopy";
      case GDK_KEY_v: return "EditPaste";
      case GDK_KEY_a: return "EditSelectAll";
      default: return {};
    }
  }
  if (meant == 0 && (key == GDK_KEY_Delete || key == GDK_KEY_KP_Delete)) {
    return "EditClear";
  }
  return {};
}

}  // namespace fw::gtk
