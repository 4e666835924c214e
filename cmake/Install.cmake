# Install rules for what the desktop needs besides the executables (their
# rules sit with their targets), and the Debian package made from them.
include(GNUInstallDirs)

set(ZELMORA_APP_ID org.example.zelmora)
set(ZELMORA_VERSION ${PROJECT_VERSION})
# The date of this version's release, for the AppStream release entry.
set(ZELMORA_RELEASE_DATE 2026-12-09)

install(FILES ${PROJECT_SOURCE_DIR}/resources/linux/${ZELMORA_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${PROJECT_SOURCE_DIR}/resources/linux/${ZELMORA_APP_ID}.metainfo.xml.in
  ${PROJECT_BINARY_DIR}/${ZELMORA_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/${ZELMORA_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Zelmora")
set(CPACK_PACKAGE_CONTACT "Zelmora developers <zelmora@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Documents the tables of a database as Excel workbooks")
set(CPACK_PACKAGE_DESCRIPTION
  "Connects to Oracle, SQL Server, PostgreSQL or MySQL/MariaDB, shows databases,\n schemas and tables in a tree and columns in grids, and writes a table list\n per schema and a table definition document with one worksheet per table.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://zelmora.example.org/")
# What the executables link, by Debian 12's package names.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libc6, libgcc-s1, libstdc++6, zlib1g, libzip4, libpugixml1v5, libqt6core6, libqt6gui6, libqt6widgets6")
# What they load at run time when that kind of database is used, the
# Japanese glyphs and Qt's own Japanese texts.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "libpq5, libmariadb3, libodbc2, tdsodbc, fonts-ipafont-gothic, qt6-translations-l10n")
include(CPack)
