# The Debian package "harborlight": everything `cmake --install` puts in place, under /usr.
# Its dependencies are those dpkg-shlibdeps finds for the two programs, and the Qt platform
# plugins, which the window loads at run time and so no linker dependency names.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME harborlight)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Harborlight Project")
set(CPACK_PACKAGE_CONTACT "The Harborlight Project <harborlight@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "shows which programs own the machine's network ports")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "shows which programs own the machine's network ports
 Harborlight Scanner lists every TCP connection and UDP endpoint of the
 machine with its owning process, local and remote address and port, and
 TCP state. It refreshes on demand or periodically, closes a selected
 established TCP connection (as root), exports the list as CSV and hides
 in the notification area.
 .
 harborlight-report writes the same list as CSV to standard output, for
 scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://harborlight.example.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(HL_BUILD_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
  # Help > Contents and the About box's link open through xdg-open.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
endif()
include(CPack)
