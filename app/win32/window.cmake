# The Win32 window (included by app/CMakeLists.txt on Windows builds).
enable_language(RC)

add_library(ximing_window STATIC ${CMAKE_CURRENT_LIST_DIR}/win32_main_window.cpp)
target_include_directories(ximing_window PUBLIC ${PROJECT_SOURCE_DIR})
# Windows' own DLLs only: comctl32 supplies the version 6 controls that the manifest asks for.
target_link_libraries(ximing_window PUBLIC ximing_app user32 gdi32 comctl32 PRIVATE ximing_warnings)

# The icon, the version and the manifest. An object library of their own, so that every
# program that shows the window takes the same compiled resources: the program, and the
# tests of the window, whose class icons come from them.
add_library(ximing_resources OBJECT ${CMAKE_CURRENT_LIST_DIR}/ximing-mp3.rc)
target_include_directories(ximing_resources PRIVATE ${PROJECT_SOURCE_DIR})
target_compile_definitions(
  ximing_resources PRIVATE XIMING_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
                           XIMING_VERSION_MINOR=${PROJECT_VERSION_MINOR}
                           XIMING_VERSION_PATCH=${PROJECT_VERSION_PATCH})
set_source_files_properties(
  ${CMAKE_CURRENT_LIST_DIR}/ximing-mp3.rc
  PROPERTIES OBJECT_DEPENDS
             "${PROJECT_SOURCE_DIR}/app/icon/ximing-mp3.ico;${CMAKE_CURRENT_LIST_DIR}/ximing-mp3.manifest;${CMAKE_CURRENT_LIST_DIR}/resources.h")
set(XIMING_PROGRAM_EXTRA_SOURCES $<TARGET_OBJECTS:ximing_resources>)
