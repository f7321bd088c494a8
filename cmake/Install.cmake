# The installed program: a self-contained program folder lib/vellumo (the
# viewer, its language and hotkeys files, the help and the start picture) with
# bin/vellumo linking to it, and the desktop's files: the launcher with its
# MIME types, the icon in the hicolor theme, the AppStream metadata and the
# manual page. scripts/package turns it into a Debian package with CPack.

add_subdirectory(${CMAKE_SOURCE_DIR}/tools/make-program-files ${CMAKE_BINARY_DIR}/tools/make-program-files)
add_subdirectory(${CMAKE_SOURCE_DIR}/tools/make-icons ${CMAKE_BINARY_DIR}/tools/make-icons)

# The tools run during the build; a sanitizer build must not fail on the
# libraries' own leaks at their exit.
set(tool_env ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen)
set(program_files ${CMAKE_BINARY_DIR}/program-files)
add_custom_command(
  OUTPUT ${program_files}/lang/English.lang.txt ${program_files}/keys/Default.keys.txt ${program_files}/vellumo.bmp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${program_files}
  COMMAND ${tool_env} $<TARGET_FILE:make-program-files> ${program_files}
  COMMAND ${tool_env} $<TARGET_FILE:make-demo-archive> --start-picture ${program_files}/vellumo.bmp
  DEPENDS make-program-files make-demo-archive
  COMMENT "Writing the program folder's language, hotkeys and start picture files")
set(icon_dir ${CMAKE_BINARY_DIR}/icons)
add_custom_command(
  OUTPUT ${icon_dir}/256x256/apps/vellumo.png
  COMMAND ${tool_env} $<TARGET_FILE:make-icons> ${icon_dir}
  DEPENDS make-icons
  COMMENT "Drawing the application icon")
add_custom_target(install_files ALL
  DEPENDS ${program_files}/lang/English.lang.txt ${icon_dir}/256x256/apps/vellumo.png)

set(program_dir lib/vellumo)
install(TARGETS vellumo RUNTIME DESTINATION ${program_dir})
install(DIRECTORY ${program_files}/ DESTINATION ${program_dir})
# The help pages as the build completed them (tools/make-help), not their sources.
install(DIRECTORY ${CMAKE_BINARY_DIR}/help/ DESTINATION ${program_dir}/help FILES_MATCHING PATTERN "*.html")
install(CODE "
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
  file(CREATE_LINK ../${program_dir}/vellumo \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/vellumo\" SYMBOLIC)
")
install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/org.vellumo.Vellumo.desktop DESTINATION share/applications)
install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/org.vellumo.Vellumo.metainfo.xml DESTINATION share/metainfo)
install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/vellumo.1 DESTINATION share/man/man1)
install(DIRECTORY ${icon_dir}/ DESTINATION share/icons/hicolor)

# Debian package: dependencies come from the binary (dpkg-shlibdeps); the Qt
# platform plugins and the audio output modules are loaded at run time, so
# they are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vellumo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vellumo")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "full-screen viewer for home photo archives")
set(CPACK_PACKAGE_DESCRIPTION "Shows one photo at a time over the whole screen, with a floating Navigator,\n slideshows with transition effects and music, and comments drawn over the photo.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vellumo developers <vellumo@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The photo libraries come through the shared-library dependencies as well;
# libheif from 1.16 on finds its HEVC and AV1 decoders as plugins of their
# own packages (older versions have them built in).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-liberation2 | fonts-dejavu-core, libpng16-16 | libpng16-16t64, libwebp7, libwebpdemux2, liblcms2-2, libheif1, libheif-plugin-libde265 | libheif1 (<< 1.16), libheif-plugin-dav1d | libheif-plugin-aomdec | libheif1 (<< 1.16)")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "mpg123, xdg-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
