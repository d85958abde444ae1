# Warnings and sanitizers for the project's own targets.
add_library(ximing_warnings INTERFACE)
target_compile_options(ximing_warnings INTERFACE -Wall -Wextra -Wpedantic)
if(XIMING_WARNINGS_AS_ERRORS)
  target_compile_options(ximing_warnings INTERFACE -Werror)
endif()

if(WIN32)
  # One self-contained .exe: no MinGW runtime DLLs beside it.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()
