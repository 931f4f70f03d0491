# Installation (cmake --install, DESTDIR) and the Debian package (CPack):
#   bin/kesta-config, bin/kesta-ctl
#   share/kesta-config/modules/     the shipped data, read-only
#   lib/udev/rules.d/70-kesta.rules
#   share/applications, share/metainfo, share/icons/hicolor, share/man/man1
#   share/bash-completion/completions/kesta-ctl, share/zsh/vendor-completions/_kesta-ctl
include(GNUInstallDirs)
set(KESTA_APP_ID com.zorvant.KestaConfig)
set(KESTA_DESKTOP_DIR ${CMAKE_SOURCE_DIR}/desktop)
set(KESTA_GEN_DIR ${CMAKE_BINARY_DIR}/desktop-generated)

install(TARGETS kesta-config kesta-ctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The program never writes here: each user works on a copy (desktop/modulesfolder.h).
foreach(sub setting gun i18n img)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/modules/${sub}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/kesta-config/modules)
endforeach()
install(DIRECTORY DESTINATION ${CMAKE_INSTALL_DATADIR}/kesta-config/modules/macro)

# udev reads lib/udev/rules.d under /usr (and /), not under /usr/local.
install(FILES ${CMAKE_SOURCE_DIR}/platform/70-kesta.rules DESTINATION lib/udev/rules.d)

install(FILES ${KESTA_DESKTOP_DIR}/${KESTA_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KESTA_DESKTOP_DIR}/${KESTA_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Icons: the drawing, and PNG sizes rendered from it.
install(FILES ${KESTA_DESKTOP_DIR}/icons/kesta-config.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
find_program(KESTA_RSVG_CONVERT rsvg-convert)
set(KESTA_ICON_SIZES 16 22 24 32 48 64 128 256)
set(KESTA_GENERATED)
if(KESTA_RSVG_CONVERT)
  foreach(size ${KESTA_ICON_SIZES})
    set(png ${KESTA_GEN_DIR}/icons/${size}x${size}/kesta-config.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${KESTA_GEN_DIR}/icons/${size}x${size}
      COMMAND ${KESTA_RSVG_CONVERT} -w ${size} -h ${size} -o ${png}
              ${KESTA_DESKTOP_DIR}/icons/kesta-config.svg
      DEPENDS ${KESTA_DESKTOP_DIR}/icons/kesta-config.svg VERBATIM)
    list(APPEND KESTA_GENERATED ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
else()
  message(WARNING "rsvg-convert not found (Debian: librsvg2-bin): only the SVG icon is installed")
endif()

# Manual pages and the changelog, compressed as Debian wants them (the
# package is native: its version has no Debian revision). kesta-ctl's page
# is written from the tool's own help texts, so it says what --help says.
# Under the sanitizers (KESTA_SANITIZE) the libraries' leaks at exit would
# fail the build: the writer runs without the leak check.
string(TIMESTAMP KESTA_MANUAL_DATE "%B %Y" UTC)
set(KESTA_GENDOCS "ASAN_OPTIONS=detect_leaks=0 '$<TARGET_FILE:kesta-ctl-gendocs>'")
set(ctl_man ${KESTA_GEN_DIR}/kesta-ctl.1)
add_custom_command(OUTPUT ${ctl_man}
  COMMAND sh -c "${KESTA_GENDOCS} man '${PROJECT_VERSION}' '${KESTA_MANUAL_DATE}' > '${ctl_man}'"
  DEPENDS kesta-ctl-gendocs VERBATIM)
foreach(in ${KESTA_DESKTOP_DIR}/man/kesta-config.1 ${ctl_man} ${KESTA_DESKTOP_DIR}/debian/changelog)
  get_filename_component(name ${in} NAME)
  set(gz ${KESTA_GEN_DIR}/${name}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND sh -c "gzip -9nc '${in}' > '${gz}'"
    DEPENDS ${in} VERBATIM)
  list(APPEND KESTA_GENERATED ${gz})
endforeach()

# Shell completion, from the same command table.
set(KESTA_BASH_COMPLETION ${KESTA_GEN_DIR}/completion/kesta-ctl)
set(KESTA_ZSH_COMPLETION ${KESTA_GEN_DIR}/completion/_kesta-ctl)
add_custom_command(OUTPUT ${KESTA_BASH_COMPLETION} ${KESTA_ZSH_COMPLETION}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${KESTA_GEN_DIR}/completion
  COMMAND sh -c "${KESTA_GENDOCS} bash > '${KESTA_BASH_COMPLETION}'"
  COMMAND sh -c "${KESTA_GENDOCS} zsh > '${KESTA_ZSH_COMPLETION}'"
  DEPENDS kesta-ctl-gendocs VERBATIM)
list(APPEND KESTA_GENERATED ${KESTA_BASH_COMPLETION} ${KESTA_ZSH_COMPLETION})

add_custom_target(kesta_desktop_files ALL DEPENDS ${KESTA_GENERATED})
install(FILES ${KESTA_GEN_DIR}/kesta-config.1.gz ${KESTA_GEN_DIR}/kesta-ctl.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${KESTA_GEN_DIR}/changelog.gz ${KESTA_DESKTOP_DIR}/debian/copyright
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${KESTA_BASH_COMPLETION}
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${KESTA_ZSH_COMPLETION} DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)

# The Debian package: cmake --build build --target package
# Packages the program loads at run time, which dpkg-shlibdeps cannot see:
# the QML modules the scene imports. Extend this list when the scene imports
# another module.
set(KESTA_DEB_RUNTIME_DEPENDS
  qml6-module-qtquick
  qml6-module-qtquick-window
  qml6-module-qtqml
  qml6-module-qtqml-models
  qml6-module-qtqml-workerscript
  qml6-module-qtquick-controls
  qml6-module-qtquick-templates
  qml6-module-qtquick-layouts
  qml6-module-qtquick-shapes)
list(JOIN KESTA_DEB_RUNTIME_DEPENDS ", " KESTA_DEB_RUNTIME_DEPENDS_TEXT)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kesta-config)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "kesta-config developers")
set(CPACK_PACKAGE_CONTACT "kesta-config developers <kesta-config@users.noreply.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration utility for the KESTA R218 gaming mouse")
set(CPACK_PACKAGE_DESCRIPTION
  "Sets up the KESTA R218 USB gaming mouse: button assignments, DPI stages,\n"
  "lighting, lift-off distance, report rate, recoil values, six named\n"
  "profiles and a macro library with recording and editing. A tray icon\n"
  "reports the DPI switches made with the mouse's own button.\n"
  ".\n"
  "Includes kesta-ctl, which calls the same operations from the command line,\n"
  "and a udev rule that gives the logged-in user access to the mouse.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${KESTA_DEB_RUNTIME_DEPENDS_TEXT}")
# Without a CJK face both Chinese languages show boxes; the theme asks for
# this one's Simplified and Traditional forms by name.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${KESTA_DESKTOP_DIR}/debian/postinst ${KESTA_DESKTOP_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR}/package)
include(CPack)
