# libexif for the Windows build: compiled in from Debian's source package, which
# scripts/windows-libexif unpacks (Debian has no mingw build of it). Its own build system
# would generate config.h and libexif/_stdint.h; they are written here.
set(VERID_LIBEXIF_SOURCE "${PROJECT_SOURCE_DIR}/build/windows-deps/libexif"
    CACHE PATH "libexif's source for the Windows build (scripts/windows-libexif)")
if(NOT EXISTS "${VERID_LIBEXIF_SOURCE}/libexif/exif-data.c")
  message(FATAL_ERROR "No libexif source in ${VERID_LIBEXIF_SOURCE}: run scripts/windows-libexif")
endif()
# A third party's tree: every C file of the library proper, maker notes included.
file(GLOB_RECURSE verid_libexif_sources "${VERID_LIBEXIF_SOURCE}/libexif/*.c")
set(generated "${CMAKE_BINARY_DIR}/libexif-generated")
file(WRITE "${generated}/config.h"
     "#define GETTEXT_PACKAGE \"libexif-12\"\n#define HAVE_LOCALTIME_S 1\n")
file(WRITE "${generated}/libexif/_stdint.h" "#include <stdint.h>\n")
add_library(verid_libexif STATIC ${verid_libexif_sources})
target_include_directories(verid_libexif PRIVATE "${generated}"
                           PUBLIC "${VERID_LIBEXIF_SOURCE}" "${generated}")
target_compile_definitions(verid_libexif PRIVATE HAVE_CONFIG_H)
target_compile_options(verid_libexif PRIVATE -w)
