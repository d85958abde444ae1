# The Linux window: Qt 6 Widgets. Included by app/CMakeLists.txt, so paths are
# relative to app/.
find_package(Qt6 REQUIRED COMPONENTS Widgets)

add_library(ximing_window STATIC qt/qt_main_window.cpp)
target_link_libraries(ximing_window PUBLIC ximing_app PRIVATE Qt6::Widgets ximing_warnings)

# The window's icon at the two sizes a window manager asks for.
qt_add_resources(ximing_window ximing_icons
  PREFIX /ximing-mp3
  BASE icon
  FILES icon/ximing-mp3-16.png icon/ximing-mp3-32.png)

# The program itself needs nothing beyond the library.
set(XIMING_PROGRAM_EXTRA_SOURCES "")
