# Keyboard and mouse capture on X11 through the RECORD extension (libXtst).
if(UNIX AND NOT APPLE)
  add_library(kesta_platform_x11record STATIC
    ${CMAKE_CURRENT_LIST_DIR}/x11record.h
    ${CMAKE_CURRENT_LIST_DIR}/x11record.cpp)
  target_link_libraries(kesta_platform_x11record PUBLIC Qt6::Core PRIVATE PkgConfig::X11)
endif()
