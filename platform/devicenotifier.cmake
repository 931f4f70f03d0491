# Device-change notices: udev on hidraw, plus the virtual mouse's seam. On
# Windows the window's device-change message does this job and the notifier
# stays silent.
add_library(kesta_platform_devicenotifier STATIC ${CMAKE_CURRENT_LIST_DIR}/devicenotifier.h)
if(WIN32)
  target_sources(kesta_platform_devicenotifier PRIVATE ${CMAKE_CURRENT_LIST_DIR}/devicenotifier_win.cpp)
  target_link_libraries(kesta_platform_devicenotifier PUBLIC Qt6::Core)
else()
  target_sources(kesta_platform_devicenotifier PRIVATE ${CMAKE_CURRENT_LIST_DIR}/devicenotifier.cpp)
  target_link_libraries(kesta_platform_devicenotifier PUBLIC Qt6::Core PRIVATE PkgConfig::UDEV ${CMAKE_DL_LIBS})
endif()
