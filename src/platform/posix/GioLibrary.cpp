#include "platform/posix/GioLibrary.h"

#include <dlfcn.h>

namespace verid::posix {

const GioLibrary* Gio() {
  static const GioLibrary* const loaded = []() -> const GioLibrary* {
    // Never closed: the functions live as long as the program.
    void* handle = ::dlopen("libgio-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!handle) return nullptr;
    static GioLibrary gio;
    bool complete = true;
    // GObject's functions are found through GIO, which depends on it.
#define VERID_GIO_LOOKUP(name)                                             \
  gio.name = reinterpret_cast<decltype(gio.name)>(::dlsym(handle, #name)); \
  complete = complete && gio.name;
    VERID_GIO_FUNCTIONS(VERID_GIO_LOOKUP)
#undef VERID_GIO_LOOKUP
    return complete ? &gio : nullptr;
  }();
  return loaded;
}

}  // namespace verid::posix
