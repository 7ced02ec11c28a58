# The Debian package: `cpack -G DEB` in the build folder makes rosette_<version>_amd64.deb from
# the install rules, with Depends worked out from the binaries (dpkg-shlibdeps).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rosette)
set(CPACK_PACKAGE_VENDOR "The Rosette developers")
set(CPACK_PACKAGE_CONTACT "The Rosette developers <hello@rosette.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "generative art with rotational symmetry")
# The extended description, in lines Debian's tools show unwrapped (at most 79 characters).
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Rosette opens one window and draws square images in which every pixel's\n"
    "colour comes from its distance from the centre and its angle, through\n"
    "randomly chosen trigonometric formulas and a random palette strip, so every\n"
    "image is rotationally symmetric. You watch each image grow; buttons make new\n"
    "images and palettes, repeat an image in another order or palette, repaint\n"
    "one colour with another and save the image into the pictures folder.\n"
    "\n"
    "The package also holds rosette-render, which draws and saves images without\n"
    "a window.")
set(CPACK_PACKAGE_HOMEPAGE_URL ${PROJECT_HOMEPAGE_URL})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, fonts-dejavu-extra")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
