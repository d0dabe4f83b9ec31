# `make deb`: the Debian package of what `make install` puts under /usr.
# Its library dependencies come from dpkg-shlibdeps; the rest are what the
# programs call or read at run time.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pixadrome)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Pixadrome developers")
set(CPACK_PACKAGE_CONTACT "Pixadrome developers <dev@pixadrome.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "image viewer with contact sheets and an image database")
# The long description: CPack puts the summary above it and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Pixadrome opens JPEG, PNG, TIFF, GIF, BMP and Windows metafile pictures and
its own lossless PXF format, shows them zoomed, fitted, full screen or as a
slide show, and edits them: rotate, flip, resize, colour correction,
enhancement, colour reduction and photo mosaics.

A folder becomes a contact sheet of thumbnails that can be printed, saved
as pictures or exported as web pages. An image database remembers pictures
by their content and finds duplicates. pixadrome-cli does the same from
the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils, shared-mime-info, fonts-dejavu-core")
# Scanning loads the scanner library only when asked.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libsane1, qt6-wayland, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
