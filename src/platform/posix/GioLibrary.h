// GIO and GObject, loaded when a command first needs them. Linked in, they and the
// libraries they bring would be loaded and relocated at every start of the program, for
// the trash and the desktop background alone.
#pragma once

#include <gio/gio.h>

namespace verid::posix {

#define VERID_GIO_FUNCTIONS(X)            \
  X(g_object_unref)                       \
  X(g_file_new_for_path)                  \
  X(g_file_query_info)                    \
  X(g_file_info_get_attribute_boolean)    \
  X(g_file_trash)                         \
  X(g_settings_schema_source_get_default) \
  X(g_settings_schema_source_lookup)      \
  X(g_settings_schema_has_key)            \
  X(g_settings_schema_unref)              \
  X(g_settings_new_full)                  \
  X(g_settings_get_user_value)            \
  X(g_settings_get_string)                \
  X(g_settings_set_string)                \
  X(g_settings_reset)                     \
  X(g_settings_delay)                     \
  X(g_settings_apply)                     \
  X(g_settings_revert)                    \
  X(g_settings_sync)

struct GioLibrary {
#define VERID_GIO_POINTER(name) decltype(&::name) name = nullptr;
  VERID_GIO_FUNCTIONS(VERID_GIO_POINTER)
#undef VERID_GIO_POINTER
};

// The library's functions, or null when it (or one of them) cannot be loaded.
const GioLibrary* Gio();

}  // namespace verid::posix
