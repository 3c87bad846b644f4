# The Debian package of the two programs and their data, made by CPack from what
# `cmake --install` installs, under /usr. scripts/package.sh makes it and checks it.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vellumora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vellumora developers")
set(CPACK_PACKAGE_CONTACT "${VELLUMORA_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "photo tool: crop, resize, frame and sign photos losslessly")
set(CPACK_PACKAGE_DESCRIPTION
    "Vellumora opens photos, shows them one at a time with a strip of every
open photo, and applies a fixed chain of edits to each: crop, resize, rotate
or mirror, colour balance, a text watermark, a mask, two border bands and a
drop shadow. Every edit is a setting kept beside the untouched original, so
any of them can be changed again later without loss of quality.

It reads JPEG, HEIC, AVIF, JPEG XL, WebP, camera raw and the classic picture
formats, and writes eleven types with their camera data. A batch converter, a
web album maker and the command-line tool vellumora-cli come with it.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # vellumora_VERSION_ARCH.deb
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VELLUMORA_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the programs link come from dpkg-shlibdeps. Qt loads what it draws with
# (the platform plugins) and the TIFF, WebP and Targa readers as plugins, which no link
# names.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-image-formats-plugins")
# Arial and Verdana, the watermark's usual fonts, are drawn with these metric twins;
# xdg-email hands photos to the mail program.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, fonts-dejavu-core, xdg-utils")

include(CPack)

# CPack installs what is built; building the package must not build the tests first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
