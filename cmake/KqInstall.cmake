# Installation: the shared library with its SONAME links, the headers under
# include/kqcore (the generated ones too), the programs, the catalogues and data under
# share/kqcore, the pkg-config file, the CMake package (kqcore::kqcore), the man pages
# and the systemd unit of kqptsd. `cpack -G DEB` packs the same tree.
include(CMakePackageConfigHelpers)
set(KQ_INSTALL_INCDIR ${CMAKE_INSTALL_INCLUDEDIR}/kqcore)
set(KQ_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/kqcore)

install(TARGETS kqcore EXPORT kqcoreTargets LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${CMAKE_SOURCE_DIR}/inc/kqcore.h DESTINATION ${KQ_INSTALL_INCDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/inc/infra/ DESTINATION ${KQ_INSTALL_INCDIR}/infra
        FILES_MATCHING PATTERN "*.h")
install(FILES ${CMAKE_BINARY_DIR}/inc/infra/kqversion.h ${CMAKE_BINARY_DIR}/inc/infra/genu_names.h
              ${CMAKE_BINARY_DIR}/inc/infra/genu_oid_ids.h
        DESTINATION ${KQ_INSTALL_INCDIR}/infra)

install(TARGETS kq RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS kqptsd kqspoold RUNTIME DESTINATION ${CMAKE_INSTALL_SBINDIR})

# The staged catalogues and data as they are, the registry with its lock file (a
# read-only open of the registry takes a lock on it).
install(DIRECTORY ${KQ_STAGE}/usr/kq/share/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kqcore)

# pkg-config: the paths are taken relative to where the .pc file lies, so the tree may
# be installed under another prefix or DESTDIR and still answer correctly.
file(RELATIVE_PATH KQ_PC_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" KQ_PC_TO_PREFIX "${KQ_PC_TO_PREFIX}")
configure_file(${CMAKE_SOURCE_DIR}/cmake/kqcore.pc.in ${CMAKE_BINARY_DIR}/kqcore.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/kqcore.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(EXPORT kqcoreTargets NAMESPACE kqcore:: DESTINATION ${KQ_INSTALL_CMAKEDIR})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/kqcoreConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/kqcoreConfig.cmake
                              INSTALL_DESTINATION ${KQ_INSTALL_CMAKEDIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/kqcoreConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/kqcoreConfig.cmake ${CMAKE_BINARY_DIR}/kqcoreConfigVersion.cmake
        DESTINATION ${KQ_INSTALL_CMAKEDIR})

install(FILES ${CMAKE_SOURCE_DIR}/man/kq.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/man/kqptsd.8 ${CMAKE_SOURCE_DIR}/man/kqspoold.8
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man8)

# Installed, not enabled: an administrator starts it with systemctl.
configure_file(${CMAKE_SOURCE_DIR}/packaging/kqptsd.service.in
               ${CMAKE_BINARY_DIR}/kqptsd.service @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/kqptsd.service DESTINATION lib/systemd/system)

# cpack -G DEB: one package of the whole tree under the configured prefix (the data
# directory compiled into the library is under it), with its run-time dependencies
# found by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME kqcore)
set(CPACK_PACKAGE_VENDOR "libkqcore developers")
set(CPACK_PACKAGE_CONTACT "libkqcore developers <kqcore@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Core library of the kq distributed print system, its client kq and servers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS rpcbind)
set(CPACK_GENERATOR DEB)
include(CPack)
