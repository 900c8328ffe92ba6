# Packages: a Debian package from the Linux build and a zip from each Windows build;
# scripts/package.sh makes them all. The documents each needs are installed here, in the
# component of the program (vexa).
#
# The Debian side is split by component, as Debian splits a program from a shared library:
#   vexa         the program, both stubs, the man page and the documents (this file, cli/)
#   library      the shared library libvexa.so.N, in its own package libvexa<N> (Debian names a
#                library package after its soname, so programs built against two sonames can
#                be installed side by side)
#   development  headers, the libvexa.so link, the pkg-config file and the CMake package, in
#                libvexa-dev, which depends on the library package of the same version
# A component with nothing installed makes no package. The Windows zip holds every component.
include(GNUInstallDirs)
include(${CMAKE_CURRENT_LIST_DIR}/GzipForInstall.cmake)
set(packaging_dir ${PROJECT_SOURCE_DIR}/packaging)
set(packaging_work ${PROJECT_BINARY_DIR}/packaging)

set(CPACK_PACKAGE_NAME vexa)
set(CPACK_PACKAGE_VENDOR "Tarnwick")
set(CPACK_PACKAGE_CONTACT "Tarnwick Archiver developers <vexa@tarnwick.invalid>")
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
  # A Windows user gets text files with CRLF line ends (older Notepads show LF text on one line).
  function(vexa_install_crlf_text source name)
    file(READ ${source} text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE ${packaging_work}/${name} "${text}")
    install(FILES ${packaging_work}/${name} DESTINATION . COMPONENT vexa)
  endfunction()
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(VEXA_ZIP_WIDTH 64-bit)
    set(CPACK_PACKAGE_FILE_NAME vexa-${PROJECT_VERSION}-win64)
  else()
    set(VEXA_ZIP_WIDTH 32-bit)
    set(CPACK_PACKAGE_FILE_NAME vexa-${PROJECT_VERSION}-win32)
  endif()
  configure_file(${packaging_dir}/windows/README.txt.in ${packaging_work}/README.txt.lf @ONLY)
  vexa_install_crlf_text(${packaging_work}/README.txt.lf README.txt)
  vexa_install_crlf_text(${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt)
  # The programs link the MinGW-w64 runtime, winpthreads and GCC's libgcc and libstdc++
  # statically; their notices travel with them (Debian's copies, which list every part).
  vexa_install_crlf_text(/usr/share/doc/mingw-w64-common/copyright NOTICE-mingw-w64.txt)
  vexa_install_crlf_text(/usr/share/doc/gcc-mingw-w64-base/copyright NOTICE-gcc-runtime.txt)
  set(CPACK_GENERATOR ZIP)
  # vexa.exe is stripped at link time; stripping the staged copy again would change nothing.
  set(CPACK_STRIP_FILES OFF)
else()
  # The Debian revision comes from the top entry of the Debian changelog, whose upstream part
  # must be the project's version.
  file(STRINGS ${packaging_dir}/debian/changelog top_entry LIMIT_COUNT 1)
  if(NOT top_entry MATCHES "^vexa \\(([^-]+)-([^)]+)\\)")
    message(FATAL_ERROR "packaging/debian/changelog: no version in '${top_entry}'")
  endif()
  if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "packaging/debian/changelog is for ${CMAKE_MATCH_1}, the project is ${PROJECT_VERSION}")
  endif()
  set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_2})

  set(docdir ${CMAKE_INSTALL_DATADIR}/doc/vexa)
  set(gz_dir ${packaging_work}/gz)
  vexa_gzip_for_install(vexa_readme_gz ${PROJECT_SOURCE_DIR}/README.md README.md ${gz_dir}
    readme_gz)
  vexa_gzip_for_install(vexa_changelog_gz ${PROJECT_SOURCE_DIR}/CHANGELOG.md changelog ${gz_dir}
    changelog_gz)
  vexa_gzip_for_install(vexa_debian_changelog_gz ${packaging_dir}/debian/changelog
    changelog.Debian ${gz_dir} debian_changelog_gz)
  # One target for what the documents need built: vexa_package_docs.
  add_custom_target(vexa_package_docs)
  add_dependencies(vexa_package_docs vexa_readme_gz vexa_changelog_gz vexa_debian_changelog_gz)
  install(FILES ${packaging_dir}/debian/vexa.lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME vexa COMPONENT vexa)
  install(FILES ${packaging_dir}/debian/copyright ${readme_gz} ${changelog_gz}
                ${debian_changelog_gz}
          DESTINATION ${docdir} COMPONENT vexa)

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  # Named, or CPack treats a build with a single component (vexa alone) as having none, and
  # drops the component's package settings below.
  get_cmake_property(CPACK_COMPONENTS_ALL COMPONENTS)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
  set(CPACK_STRIP_FILES ON)

  set(CPACK_DEBIAN_VEXA_PACKAGE_NAME vexa)
  set(CPACK_DEBIAN_VEXA_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_VEXA_PACKAGE_SUGGESTS "osslsigncode, wine")
  # The first line is the summary (Debian: under 80 characters, not starting with the name).
  set(CPACK_DEBIAN_VEXA_DESCRIPTION [=[archiver that makes self-extracting archives for Windows
vexa creates, lists, tests and extracts Vexa archives, and turns a folder
into a self-extracting program for Windows: one .exe that shows a dialog,
extracts every file with a CRC check and can run a program afterwards.
.
The package holds the command-line tool and both self-extractor stubs
(32-bit, and 64-bit for Windows without 32-bit support); vexa sfx adds
an icon, a window title and version information to the stub it copies.
Self-extractors can be signed with osslsigncode and tried under Wine.]=])

  # Each library package carries its own copyright, Debian changelog and lintian overrides, as
  # Debian asks of every package.
  foreach(component_package IN ITEMS library:libvexa1 development:libvexa-dev)
    string(REPLACE ":" ";" component_package ${component_package})
    list(GET component_package 0 component)
    list(GET component_package 1 package)
    install(FILES ${packaging_dir}/debian/${package}.lintian-overrides
            DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${package}
            COMPONENT ${component})
    install(FILES ${packaging_dir}/debian/copyright ${debian_changelog_gz}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
  endforeach()

  set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libvexa1)
  set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
  # What dh_makeshlibs would add: shlibs and symbols for the programs built against the library,
  # and an ldconfig trigger rather than maintainer scripts that run ldconfig (CPack adds those to
  # any package with a library in usr/lib; scripts/package.sh takes them out again).
  set(library_control ${packaging_work}/libvexa1)
  # The symbols are the names the version script exports, each there since this version.
  file(STRINGS ${PROJECT_SOURCE_DIR}/archive/vexa.map exported REGEX "^ +vexa_[A-Za-z0-9_]+;")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/archive/vexa.map)
  if(NOT exported)
    message(FATAL_ERROR "archive/vexa.map: no exported names found")
  endif()
  list(TRANSFORM exported REPLACE "^ +([A-Za-z0-9_]+);.*" " \\1@Base ${PROJECT_VERSION}")
  list(SORT exported)
  list(JOIN exported "\n" library_symbols)
  foreach(control_file IN ITEMS shlibs symbols triggers)
    configure_file(${packaging_dir}/debian/libvexa1.${control_file}.in
      ${library_control}/${control_file} @ONLY)
    list(APPEND CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA ${library_control}/${control_file})
  endforeach()
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_DEBIAN_LIBRARY_DESCRIPTION [=[reader library for Vexa archives and self-extractors
This library lists, tests and extracts Vexa archives, and the archives
inside self-extractors made by vexa, through eight C functions: open a
file or a stream, count and enumerate the entries, read an entry's
details, extract it to a file with a CRC check, cancel, and describe a
result code.
.
This package holds the shared library libvexa.so.1.]=])
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libvexa-dev)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
  set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION [=[reader library for Vexa archives (development files)
This library lists, tests and extracts Vexa archives, and the archives
inside self-extractors made by vexa, through eight C functions.
.
This package holds what programs built against the library need: the C
headers vexa_reader.h and vexa_records.h, the libvexa.so link, the static
library libvexa.a, the pkg-config file (vexa) and the CMake package
(find_package(vexa), targets vexa::reader and vexa::reader_static).]=])
  set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS library)
endif()
include(CPack)
