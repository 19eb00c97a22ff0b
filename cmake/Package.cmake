# The Debian package, made by CPack from the installation (make package, or
# cpack -G DEB in the build folder). Its Depends are what dpkg-shlibdeps finds
# for the program's shared libraries, plus what it reads at run time that no
# library names: Qt's French texts and the fonts of the windows. The X
# platform plugin (libqxcb.so) comes with libqt6gui6 in Debian 12, a library
# the program links, so dpkg-shlibdeps names it. The local image host needs
# PHP, only suggested.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vitrix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${VITRIX_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VITRIX_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "php-cli")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "mask screenshots and post them to web forums")
# The synopsis is the summary above; these lines are the long description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "vitrix is a small desktop tool for people who post screenshots on web
forums. While its watch is on, a press of Print Screen opens the capture in
an editor where private details are painted over or cropped away; then, as
chosen, vitrix saves it as a numbered JPEG file, uploads it to an image host
and puts the forum tag [img]address[/img] on the clipboard.
.
The program speaks French and needs an X11 session (XWayland under Wayland).
The package also holds a small image host in PHP (php-cli).")
include(CPack)
