# The Debian package, built with `cpack -G DEB` in the build tree (tools/package):
# slide-ferry_VERSION_ARCH.deb. The packages of the shared libraries the binary links come from
# dpkg-shlibdeps; the two run-time needs it cannot see are named here: the office's Impress,
# which the program starts to open and draw the presentation, and Qt's image format plugins,
# which write the TIFF images. (pyftpdlib serves only the demo and the tests: the program
# talks FTP through libcurl.)
set(SF_PACKAGE_MAINTAINER "Slide-Ferry maintainers <maintainers@slide-ferry.example.org>"
  CACHE STRING "Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME slide-ferry)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${SF_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${SF_PROJECT_URL}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libreoffice-impress-nogui | libreoffice-impress, qt6-image-formats-plugins")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "turn a slide presentation into a lecture on a Lumora server
A wizard asks for the server, a Lumora and a Corvane account, the presentation,
the class, date, session and title of a lecture. It then exports every slide of
the chosen range as an image, writes the slide text and notes, and uploads it all
by FTP (with TLS when the server offers it) into the lecture's directory.")
include(CPack)
