# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cpack -G DEB` in the build tree. Only what the install rules name goes
# in: the two programs, the desktop entry, the icons, the metainfo, the MIME type, the manual
# pages, and the copyright file and changelog Debian asks for. The tests and benchmarks have no
# install rules, and GoogleTest and Google Benchmark come from the system, so none of them lands
# in the package.

set(QUANDREL_MAINTAINER "Zentor <quandrel@zentor.invalid>" CACHE STRING
  "The Debian package's maintainer, as \"Name <address>\"")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quandrel)
set(CPACK_PACKAGE_VENDOR Zentor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${QUANDREL_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "edge points along scan lines in image series, and measurements with them")
# The extended description's lines stay within the 80 columns Debian's tools show.
set(CPACK_PACKAGE_DESCRIPTION
  "Quandrel finds edge points along scan lines drawn on series of raster
images (BMP, JPEG, GIF, PNG, TIFF), converts them with a three-point axis
calibration, and writes every image's results to one tab-separated data
file, or a table of comma-separated values.
.
The package holds the window, quandrel, and the batch tool, quandrel-batch,
which measures a saved session without a window, on every core or in parts
on many machines.")
# The binaries carry no debugging sections into the package.
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUANDREL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the programs link come from dpkg-shlibdeps. What Qt loads at run time is no link
# and has to be named: the platform plugins (no window without them), the TIFF reader, and Qt's
# own Japanese texts for its dialogs and buttons. A Japanese font makes the texts legible.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-image-formats-plugins, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic")

include(${CMAKE_CURRENT_LIST_DIR}/package_docs.cmake)
quandrel_package_docs(quandrel)
# The Python module goes in a package of its own, python3-quandrel, as Debian packages Python
# modules: the window's users need no Python, and the module is bound to one Python version.
# The module holds the libraries it measures with, so it does not need the main package.
if(QUANDREL_PYTHON)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL Unspecified python)
  set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_NAME quandrel)
  # A component's description replaces the package's: the main one keeps its own.
  set(CPACK_COMPONENT_UNSPECIFIED_DESCRIPTION
    "${CPACK_PACKAGE_DESCRIPTION}")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-quandrel)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
    "python3 (>= ${QUANDREL_PYTHON_VERSION}), python3 (<< ${QUANDREL_PYTHON_NEXT_VERSION}), python3-numpy, qt6-image-formats-plugins")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_RECOMMENDS python3-pandas)
  set(CPACK_COMPONENT_PYTHON_DESCRIPTION
    "Python 3 module for Quandrel's edge points and measurements
The module quandrel reads, changes, saves and measures Quandrel sessions
from Python, and returns the batch tool's table as a pandas data frame
(or numpy arrays) with the very same numbers. It also reads pictures'
exact pixels, samples scan line profiles and finds edges on them with the
program's own rules.")
  quandrel_package_docs(python3-quandrel COMPONENT python)
endif()

include(CPack)
