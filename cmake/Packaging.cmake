# Installation and packages.
#
#   cmake --install build/default --prefix /some/prefix
#       bin/raeval and bin/raeval-check, their manual pages under
#       share/man/man1, and the README, the licence (as copyright), the
#       changelog and the examples (the exercise sheets under
#       examples/sheets) under share/doc/raeval
#   cd build/default && cpack -G DEB        (or: make package)
#       raeval_VERSION_ARCH.deb, installing under /usr
#   cd build/windows && cpack -G ZIP        (or: make windows)
#       raeval-VERSION-windows-x86_64.zip: raeval.exe, raeval-check.exe,
#       README.md, LICENSE and the examples, side by side in one folder
#
# The Debian package's maintainer is the cache variable RAEVAL_MAINTAINER,
# "Name <address>". It defaults to DEBFULLNAME and DEBEMAIL from the
# environment, as Debian's own tools do, and otherwise names the project's
# developers:
#   cmake --preset default -DRAEVAL_MAINTAINER="Ann Lee <ann@example.org>"

set(RAEVAL_EXAMPLE_FILES PATTERN "*.txt" PATTERN "*.expected" PATTERN "*.sheet"
    PATTERN "*.answers")

if(WIN32)
  install(TARGETS raeval raeval-check RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION examples
          FILES_MATCHING ${RAEVAL_EXAMPLE_FILES})

  set(CPACK_PACKAGE_NAME raeval)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SOURCE_GENERATOR "")
  set(CPACK_PACKAGE_FILE_NAME raeval-${PROJECT_VERSION}-windows-x86_64)
  set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})
  set(CPACK_STRIP_FILES ON)
  include(CPack)
  return()
endif()

include(GNUInstallDirs)

if(DEFINED ENV{DEBEMAIL} AND DEFINED ENV{DEBFULLNAME})
  set(default_maintainer "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
else()
  set(default_maintainer "raeval developers <raeval-developers@users.noreply.invalid>")
endif()
set(RAEVAL_MAINTAINER "${default_maintainer}" CACHE STRING
    "The Debian package's maintainer, as Name <address>")
# The date of this version's changelog entry, in RFC 5322 form.
set(RAEVAL_RELEASE_DATE "Wed, 09 Dec 2026 00:00:00 +0000")

# The licence in Debian's machine-readable copyright format, made from
# LICENSE: its first line is the title, its third the copyright line.
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE licence_lines)
list(GET licence_lines 2 copyright_line)
string(REGEX REPLACE "^Copyright \\(c\\) " "" copyright_holder "${copyright_line}")
list(SUBLIST licence_lines 4 -1 licence_body)
set(licence_text "")
set(paragraph_break "")
foreach(line IN LISTS licence_body)
  if(line STREQUAL "")
    set(paragraph_break "\n .")
  else()
    string(APPEND licence_text "${paragraph_break}\n ${line}")
    set(paragraph_break "")
  endif()
endforeach()
set(doc_build_dir ${PROJECT_BINARY_DIR}/doc)
file(CONFIGURE OUTPUT ${doc_build_dir}/copyright CONTENT
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: raeval

Files: *
Copyright: ${copyright_holder}
License: Expat

License: Expat${licence_text}
")
file(CONFIGURE OUTPUT ${doc_build_dir}/changelog CONTENT
"raeval (${PROJECT_VERSION}) unstable; urgency=medium

  * Version ${PROJECT_VERSION}.

 -- ${RAEVAL_MAINTAINER}  ${RAEVAL_RELEASE_DATE}
")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)

# The manual page and the changelog are installed compressed, without a name
# or a time stamp in the gzip header, so that every build gives the same bytes.
find_program(GZIP_PROGRAM gzip REQUIRED)
foreach(page IN ITEMS raeval raeval-check)
  add_custom_command(OUTPUT ${doc_build_dir}/${page}.1.gz
    COMMAND ${GZIP_PROGRAM} -9n -c ${PROJECT_SOURCE_DIR}/man/${page}.1 > ${doc_build_dir}/${page}.1.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/man/${page}.1 VERBATIM)
endforeach()
add_custom_command(OUTPUT ${doc_build_dir}/changelog.gz
  COMMAND ${GZIP_PROGRAM} -9n -c ${doc_build_dir}/changelog > ${doc_build_dir}/changelog.gz
  DEPENDS ${doc_build_dir}/changelog VERBATIM)
add_custom_target(raeval_docs ALL DEPENDS ${doc_build_dir}/raeval.1.gz
  ${doc_build_dir}/raeval-check.1.gz ${doc_build_dir}/changelog.gz)

install(TARGETS raeval raeval-check RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${doc_build_dir}/raeval.1.gz ${doc_build_dir}/raeval-check.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${doc_build_dir}/copyright ${doc_build_dir}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples
        FILES_MATCHING ${RAEVAL_EXAMPLE_FILES})
get_target_property(raeval_link_options raeval LINK_OPTIONS)
if("-static" IN_LIST raeval_link_options)
  install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME raeval)
endif()

set(CPACK_PACKAGE_NAME raeval)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "raeval developers")
set(CPACK_PACKAGE_CONTACT "${RAEVAL_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "evaluator of relational-algebra queries over tables in a text file")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "raeval reads one text file that holds a query and the tables it runs on,\n"
  "and writes an echo of the input followed by the result table, or a single\n"
  "ERROR line. Queries are written in prefix notation with UNION, MINUS,\n"
  "PRODUCT, PROJECT, RENAME and SELECT, whose conditions are built from EQ,\n"
  "NEQ, LT, LTE, GT, GTE, AND, OR and NOT. It is meant for learning and\n"
  "teaching relational algebra. raeval-check checks answers against the\n"
  "reference queries of an exercise sheet on every instance, shows the\n"
  "smallest tables on which a wrong answer differs, and writes plain text,\n"
  "JSON or Gradescope reports.")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_SOURCE_GENERATOR "")
# Folders in the package as Debian has them, whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${RAEVAL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends is worked out from the shared libraries the binary needs: the C and
# C++ libraries for a dynamic raeval, nothing for a static one.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

include(CPack)
