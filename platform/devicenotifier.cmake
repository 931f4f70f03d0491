# Device-change notices: udev on hidraw, plus the virtual mouse's seam.
add_library(kesta_platform_devicenotifier STATIC
  ${CMAKE_CURRENT_LIST_DIR}/devicenotifier.h
  ${CMAKE_CURRENT_LIST_DIR}/devicenotifier.cpp)
target_link_libraries(kesta_platform_devicenotifier PUBLIC Qt6::Core PRIVATE PkgConfig::UDEV ${CMAKE_DL_LIBS})
