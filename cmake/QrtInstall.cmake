# What a host gets from `cmake --install` (and the Debian package, which is
# made from the same rules): the library with its SONAME, the public headers
# under include/qrt/ in their source folders, a versioned CMake package
# (find_package(qrt) -> qrt::qrt) and a pkg-config file.
#
# Only the classes hosts use are public. Every other header stays in the
# tree: tests/install checks that no installed header includes one that is
# not installed.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# Relative to src/; the folder goes with the header.
set(QRT_PUBLIC_HEADERS
    qrt_export.h
    facade/KeloTypes.h
    facade/CKeloForm.h
    facade/CKeloFilter.h
    facade/CKeloFormWidget.h
    facade/FormCheck.h
    platform/UserMessages.h
    platform/RecordingMessages.h)

foreach(header IN LISTS QRT_PUBLIC_HEADERS)
    get_filename_component(folder ${header} DIRECTORY)
    install(FILES ${PROJECT_SOURCE_DIR}/src/${header}
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/qrt/${folder}
        COMPONENT development)
endforeach()

set_target_properties(qrt PROPERTIES EXPORT_NAME qrt)
install(TARGETS qrt EXPORT qrtTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime
        NAMELINK_COMPONENT development
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)

set(QRT_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/qrt)
install(EXPORT qrtTargets NAMESPACE qrt:: DESTINATION ${QRT_CMAKE_DIR}
    COMPONENT development)
# So that in-tree users (and a super-build) may write qrt::qrt too.
add_library(qrt::qrt ALIAS qrt)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/qrtConfig.cmake.in
    ${PROJECT_BINARY_DIR}/qrtConfig.cmake INSTALL_DESTINATION ${QRT_CMAKE_DIR})
# Before 1.0 a minor version may change the interface: 0.1 satisfies a
# request for 0.1.x only; from 1.0 on the major version decides.
if(PROJECT_VERSION_MAJOR EQUAL 0)
    set(QRT_COMPATIBILITY SameMinorVersion)
else()
    set(QRT_COMPATIBILITY SameMajorVersion)
endif()
write_basic_package_version_file(${PROJECT_BINARY_DIR}/qrtConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY ${QRT_COMPATIBILITY})
install(FILES ${PROJECT_BINARY_DIR}/qrtConfig.cmake ${PROJECT_BINARY_DIR}/qrtConfigVersion.cmake
    DESTINATION ${QRT_CMAKE_DIR} COMPONENT development)

# pkg-config: the prefix is found from where the file lies, so the same file
# serves the Debian package (/usr), a scratch prefix and a moved tree.
set(QRT_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH QRT_PC_TO_PREFIX /prefix/${QRT_PC_DIR} /prefix)
string(REGEX REPLACE "/$" "" QRT_PC_TO_PREFIX "${QRT_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/qrt.pc.in ${PROJECT_BINARY_DIR}/qrt.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/qrt.pc DESTINATION ${QRT_PC_DIR}
    COMPONENT development)

include(${CMAKE_CURRENT_LIST_DIR}/QrtPackage.cmake)
