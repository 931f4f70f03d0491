# Pointer speed, double-click time and wheel lines of the desktop.
add_library(kesta_platform_pointer STATIC
  ${CMAKE_CURRENT_LIST_DIR}/pointersettings.h
  ${CMAKE_CURRENT_LIST_DIR}/pointersettings.cpp)
if(WIN32)
  target_sources(kesta_platform_pointer PRIVATE ${CMAKE_CURRENT_LIST_DIR}/pointersettings_win.cpp)
  target_link_libraries(kesta_platform_pointer PRIVATE user32)
else()
  target_sources(kesta_platform_pointer PRIVATE ${CMAKE_CURRENT_LIST_DIR}/pointersettings_linux.cpp)
endif()
target_link_libraries(kesta_platform_pointer PUBLIC Qt6::Core)
