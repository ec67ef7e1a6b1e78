# The release: regscan.exe as built and tested, the file format's schema, the
# user guide and their checksums in regscan-<version>-win32.zip. `package`
# makes it in the build folder; scripts/release.sh copies it to dist/.
set(RELEASE_GUIDE ${CMAKE_BINARY_DIR}/release/README.txt)
# Notepad on older Windows shows LF-only text as one line.
configure_file(${CMAKE_SOURCE_DIR}/docs/user-guide.txt ${RELEASE_GUIDE} @ONLY NEWLINE_STYLE CRLF)

install(TARGETS regscan_app RUNTIME DESTINATION .)
install(FILES ${RELEASE_GUIDE} ${CMAKE_SOURCE_DIR}/docs/regparams.xsd DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME regscan)
set(CPACK_PACKAGE_FILE_NAME regscan-${PROJECT_VERSION}-win32)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# CPack's ZIP writer stores files in directory order with their change time
# and the packer's uid, so the zip is written again from the staged files.
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/release-zip.cmake)
set(CPACK_REGSCAN_SOURCE_DIR ${CMAKE_SOURCE_DIR})
set(CPACK_REGSCAN_FILES regscan.exe README.txt regparams.xsd)
include(CPack)
