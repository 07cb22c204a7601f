# What `cmake --install` puts where, and the Debian packages `cpack -G DEB`
# makes of it: the runtime library with the camera's udev rule, a -dev
# package with the headers, pkg-config file and CMake package, and the tools.
include(CMakePackageConfigHelpers)

# udev reads its rules from /usr/lib/udev/rules.d (packages) and
# /etc/udev/rules.d (the administrator), not from below /usr/local: a local
# install leaves the rule in <prefix>/lib/udev/rules.d to be copied.
set(QCX_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING
    "Where cmake --install puts the udev rule for the cameras (relative to the prefix, or absolute)")

install(TARGETS qcxapi EXPORT QCXApiTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/udev/60-qcxapi.rules DESTINATION ${QCX_UDEV_RULES_DIR} COMPONENT runtime)
install(TARGETS qcx RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
install(FILES ${PROJECT_SOURCE_DIR}/include/qcxapi.h ${PROJECT_SOURCE_DIR}/include/qcxsim.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)

file(RELATIVE_PATH QCX_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(${PROJECT_SOURCE_DIR}/packaging/qcxapi.pc.in ${PROJECT_BINARY_DIR}/qcxapi.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/qcxapi.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

set(QCX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/QCXApi)
install(EXPORT QCXApiTargets NAMESPACE QCXApi:: DESTINATION ${QCX_CMAKE_DIR} COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/packaging/QCXApiConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/QCXApiConfig.cmake INSTALL_DESTINATION ${QCX_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/QCXApiConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/QCXApiConfig.cmake ${PROJECT_BINARY_DIR}/QCXApiConfigVersion.cmake
        DESTINATION ${QCX_CMAKE_DIR} COMPONENT dev)

# Debian packages, one per component.
set(CPACK_PACKAGE_NAME qcxapi)
set(CPACK_PACKAGE_VENDOR "QCXApi")
set(CPACK_PACKAGE_CONTACT "QCXApi maintainers <qcxapi@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Library and tools for the QCX USB 2.0 industrial cameras")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_COMPONENTS_ALL runtime dev tools)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# qcx needs the library of the runtime package, which the system does not have yet.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libqcxapi${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_DEV_PACKAGE_NAME libqcxapi-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME qcxapi-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)
include(CPack)
