# The Debian package: library and development files in one package, made by
# CPack from the install rules above (cpack -G DEB in the build folder).
# dpkg-shlibdeps finds the libraries the library links (Qt, libpq, libc);
# what it cannot see is named here: Qt's development files, which the CMake
# package asks for, and the SQL drivers, which Qt loads as plug-ins.

set(CPACK_PACKAGE_NAME libqrt-dev)
set(CPACK_PACKAGE_VENDOR "QRT")
set(CPACK_PACKAGE_CONTACT "QRT developers <qrt@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Database-bound data-entry forms for Qt applications")
set(CPACK_PACKAGE_DESCRIPTION
    "QRT gives Qt desktop applications data-entry forms bound to a database table\n\
(SQLite, PostgreSQL, SQL Server, Access): viewing and editing records one at a\n\
time, laying forms out in design mode and composing filters. All user-facing\n\
text is German. This package holds the shared library, its public headers,\n\
the CMake package (find_package(qrt)) and the pkg-config file.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-base-dev (>= 6.4), libqt6sql6-sqlite (>= 6.4)")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql, qt6-translations-l10n, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libqt6sql6-odbc, tdsodbc")

set(CPACK_GENERATOR DEB)
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
