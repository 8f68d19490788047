# The Debian package, made by `cpack -G DEB` in the build folder (scripts/package):
# verid_<version>_<arch>.deb with the programs and the files data/ installs under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME verid)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Verid developers")
set(CPACK_PACKAGE_CONTACT "${VERID_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "image viewer and organiser for BMP, JPEG and PNG pictures")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VERID_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The shared libraries come from dpkg-shlibdeps; the Japanese interface also needs its
# font and Qt's own Japanese texts, which no library pulls in.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic, qt6-translations-l10n")
# CPack puts the summary in front as the synopsis line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Verid lists a folder's BMP, JPEG and PNG files in name order with a preview
and shows pictures at real size, fitted to the screen or full screen. It
copies and moves pictures to registered folders, deletes them to the trash,
renames one file or a whole list, converts between the formats, builds
thumbnail catalogs (.doz files), runs slide shows and sets the wallpaper.
Its user interface is Japanese.
.
The package also holds verid-tool, which describes, decodes and converts
pictures and makes catalogs from the command line.")

include(CPack)
