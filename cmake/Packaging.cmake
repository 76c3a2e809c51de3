# The Debian package (scripts/package): the tool, the files it loads, the frei0r
# plug-ins and the documents, installed under /usr. Its version is the project's,
# and doc/changelog, which the package carries, must open with that version; the
# changelog's signer is the package's maintainer. Dependencies come from the
# binaries themselves (dpkg-shlibdeps).
file(STRINGS ${PROJECT_SOURCE_DIR}/doc/changelog changelog)
list(GET changelog 0 changelog_head)
if(NOT changelog_head MATCHES "^tilesweep \\(([^)]+)\\) " OR NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "doc/changelog must open with an entry of version ${PROJECT_VERSION}: ${changelog_head}")
endif()
set(maintainer "")
foreach(line IN LISTS changelog)
  if(line MATCHES "^ -- (.+ <[^>]+>)  ")
    set(maintainer ${CMAKE_MATCH_1})
    break()
  endif()
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tilesweep)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${maintainer})
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The frei0r hosts the plug-ins are made and tested for.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "melt, ffmpeg, gstreamer1.0-plugins-bad")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "block-wipe transition: renderer and frei0r plug-ins")
# The synopsis, then the long description (lines of at most 80 characters).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "TovelaTileSweep cuts the picture into a grid of tiles that wipe away one
after another, in an order, direction, easing and manner of your choice, as
the transition's completion runs from 0 % to 100 %.

The tilesweep program plans and renders the wipe over still images and image
sequences (PNG, TIFF, OpenEXR, JPEG): through the After Effects plug-in builds
it carries, driven by a simulated host, or by the wipe engine alone.

The filter tilesweep and the transition tilesweep_transition are frei0r
plug-ins for MLT, FFmpeg and GStreamer; Kdenlive's descriptions of them give
them its panels with every setting, keyframable.")
include(CPack)
