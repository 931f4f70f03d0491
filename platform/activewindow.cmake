# The window in front, for per-application profiles: xcb on X11, nothing elsewhere.
add_library(kesta_platform_activewindow STATIC ${CMAKE_CURRENT_LIST_DIR}/activewindow.h)
if(UNIX AND NOT APPLE)
  target_sources(kesta_platform_activewindow PRIVATE ${CMAKE_CURRENT_LIST_DIR}/activewindow_x11.cpp)
  target_link_libraries(kesta_platform_activewindow PUBLIC Qt6::Core PRIVATE PkgConfig::XCB)
else()
  target_sources(kesta_platform_activewindow PRIVATE ${CMAKE_CURRENT_LIST_DIR}/activewindow_null.cpp)
  target_link_libraries(kesta_platform_activewindow PUBLIC Qt6::Core)
endif()
