# Installation and the Debian package.
#
#   cmake --install build/default --prefix /some/prefix
#       bin/raeval, share/man/man1/raeval.1, and the README and the examples
#       under share/doc/raeval
#   cd build/default && cpack -G DEB        (or: make package)
#       raeval_VERSION_ARCH.deb, installing under /usr

include(GNUInstallDirs)

install(TARGETS raeval RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/man/raeval.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples
        FILES_MATCHING PATTERN "*.txt" PATTERN "*.expected")

set(CPACK_PACKAGE_NAME raeval)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "raeval maintainers")
set(CPACK_PACKAGE_CONTACT "raeval maintainers <maintainers@raeval.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "evaluator of relational-algebra queries over tables in a text file")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "raeval reads one text file that holds a query and the tables it runs on,\n"
  "and writes an echo of the input followed by the result table, or a single\n"
  "ERROR line. Queries are written in prefix notation with UNION, MINUS,\n"
  "PRODUCT, PROJECT, RENAME and SELECT, whose conditions are built from EQ,\n"
  "NEQ, LT, LTE, GT, GTE, AND, OR and NOT. It is meant for learning and\n"
  "teaching relational algebra.")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_SOURCE_GENERATOR "")

set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)

include(CPack)
