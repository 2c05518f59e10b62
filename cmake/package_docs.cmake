# SPDX-License-Identifier: GPL-3.0-or-later
# What Debian asks of every binary package's documentation folder, /usr/share/doc/PACKAGE: the
# machine-readable copyright file and the changelog, the latter compressed with gzip -9n (no
# name, no time stamp), so that every build gives the same bytes. The sources are
# res/debian/copyright and res/debian/changelog; a further package (a component of its own)
# calls quandrel_package_docs with its name and component and gets the same two files.
include(GNUInstallDirs)
find_program(QUANDREL_GZIP gzip REQUIRED)

# quandrel_package_docs(PACKAGE [COMPONENT NAME])
function(quandrel_package_docs package)
  cmake_parse_arguments(arg "" "COMPONENT" "" ${ARGN})
  set(component)
  if(arg_COMPONENT)
    set(component COMPONENT ${arg_COMPONENT})
  endif()
  set(source ${PROJECT_SOURCE_DIR}/res/debian)
  set(out ${PROJECT_BINARY_DIR}/package_docs/${package}/changelog.gz)
  # Through a temporary, so that an interrupted build leaves no truncated file taken as current.
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/package_docs/${package}
    COMMAND sh -c "\"$1\" -n -9 -c \"$2\" > \"$3.tmp\" && mv \"$3.tmp\" \"$3\""
            sh ${QUANDREL_GZIP} ${source}/changelog ${out}
    DEPENDS ${source}/changelog
    COMMENT "Debian changelog of ${package}"
    VERBATIM)
  add_custom_target(quandrel_package_docs_${package} ALL DEPENDS ${out})
  install(FILES ${source}/copyright ${out}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} ${component})
endfunction()
