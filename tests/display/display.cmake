# The fixture `display`: a virtual X display (Xvfb, 1024 x 768) with the openbox
# window manager, for the GUI tests of this build tree. Each preset takes its own
# display number so that trees can be tested side by side.
set(XIMING_TEST_DISPLAY 71 CACHE STRING "X display number for this tree's GUI tests")
set(XIMING_DISPLAY_STATE ${CMAKE_BINARY_DIR}/display)

add_test(NAME display_start
         COMMAND ${CMAKE_CURRENT_LIST_DIR}/start-display.sh ${XIMING_TEST_DISPLAY} ${XIMING_DISPLAY_STATE})
set_tests_properties(display_start PROPERTIES FIXTURES_SETUP display TIMEOUT 60)
add_test(NAME display_stop
         COMMAND ${CMAKE_CURRENT_LIST_DIR}/stop-display.sh ${XIMING_TEST_DISPLAY} ${XIMING_DISPLAY_STATE})
set_tests_properties(display_stop PROPERTIES FIXTURES_CLEANUP display TIMEOUT 30)

# The properties a test that needs the display sets.
set(XIMING_DISPLAY_TEST_PROPERTIES FIXTURES_REQUIRED display ENVIRONMENT DISPLAY=:${XIMING_TEST_DISPLAY})
