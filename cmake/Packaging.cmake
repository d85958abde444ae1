# Installing the program and packaging it: a .deb for Linux, a .zip for Windows.
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME ximing-mp3)
set(CPACK_PACKAGE_VENDOR "ximing-mp3")
set(CPACK_PACKAGE_CONTACT "ximing-mp3 developers <dev@ximing.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Finds the audio address of a song by its number and copies it")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})

if(WIN32)
  # One self-contained .exe and a short read-me, side by side in the archive.
  install(TARGETS ximing-mp3 RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ximing-mp3-${PROJECT_VERSION}-windows-x64)
  set(CPACK_STRIP_FILES ON)
else()
  install(TARGETS ximing-mp3 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/ximing-mp3.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/app/icon/ximing-mp3.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size 16 32 48 256)
    install(FILES ${PROJECT_SOURCE_DIR}/app/icon/ximing-mp3-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ximing-mp3.png)
  endforeach()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION net)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://${XIMING_SITE_HOST}/")
  # Qt's X11 platform plugin lives in qt6-qpa-plugins; without a CJK font the window's
  # texts show as boxes.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libc6, libstdc++6, libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), qt6-qpa-plugins, libcurl4, fonts-wqy-microhei | fonts-wqy-zenhei | fonts-noto-cjk")
endif()

include(CPack)
