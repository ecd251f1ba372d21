# A Debian package of the install (cpack -G DEB); script/package builds it.
set(CPACK_PACKAGE_NAME tessaly)
set(CPACK_PACKAGE_VENDOR Vantrel)
set(CPACK_PACKAGE_CONTACT "Vantrel <tessaly@vantrel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "wizard that turns pictures into Windows icon files")
set(CPACK_PACKAGE_DESCRIPTION
    "Tessaly turns BMP, JPEG, GIF, ICO and SVG pictures, or the bitmap on the clipboard,\n\
into Windows icon files of 16, 32 or 48 pixels square with 16 or 256 colours,\n\
scaled or cropped, with a transparent area marked by colour, pixel by pixel or\n\
automatically from the border.\n\
.\n\
The package holds the wizard, tessaly, and the command-line converter,\n\
tessaly-convert, that runs the same automatic conversion without a window and\n\
also makes true-colour icons with alpha holding several sizes up to 256 pixels.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vantrel.example/tessaly")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
