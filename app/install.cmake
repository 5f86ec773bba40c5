# Installation as a desktop program: the executable and its manual side by side in lib/sonvelia
# (the help command looks for the manual in the executable's folder), bin/sonvelia a link to it,
# plus the desktop entry, the icons and the AppStream metadata. `cpack -G DEB` makes the package.

set(SONVELIA_PRIVATE_DIR lib/sonvelia)  # the program's own folder under the prefix

install(TARGETS sonvelia RUNTIME DESTINATION ${SONVELIA_PRIVATE_DIR})
file(GLOB SONVELIA_MANUAL_FILES CONFIGURE_DEPENDS
     ${PROJECT_SOURCE_DIR}/docs/sonveliamde.html ${PROJECT_SOURCE_DIR}/docs/manual-*.png)
install(FILES ${SONVELIA_MANUAL_FILES} DESTINATION ${SONVELIA_PRIVATE_DIR})

# A relative link, so the installed tree can be moved (package staging, chroots).
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/bin-link)
file(CREATE_LINK ../${SONVELIA_PRIVATE_DIR}/sonvelia ${PROJECT_BINARY_DIR}/bin-link/sonvelia SYMBOLIC)
install(FILES ${PROJECT_BINARY_DIR}/bin-link/sonvelia DESTINATION bin)

# The manual page and the package's change log are shipped compressed, as Debian does (-n: no
# name or time stamp inside, so the same text gives the same bytes).
find_program(GZIP_PROGRAM gzip REQUIRED)
set(SONVELIA_GZIPPED)
foreach(src sonvelia.1 changelog)
  set(out ${src}.gz)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/${out}
                     COMMAND ${GZIP_PROGRAM} -9n -c ${PROJECT_SOURCE_DIR}/app/${src} > ${PROJECT_BINARY_DIR}/${out}
                     DEPENDS ${PROJECT_SOURCE_DIR}/app/${src})
  list(APPEND SONVELIA_GZIPPED ${PROJECT_BINARY_DIR}/${out})
endforeach()
add_custom_target(sonvelia_packaging_docs ALL DEPENDS ${SONVELIA_GZIPPED})
install(FILES ${PROJECT_BINARY_DIR}/sonvelia.1.gz DESTINATION share/man/man1)
install(FILES ${PROJECT_BINARY_DIR}/changelog.gz app/copyright DESTINATION share/doc/sonvelia)

install(FILES app/org.example.sonvelia.desktop DESTINATION share/applications)
install(FILES app/org.example.sonvelia.metainfo.xml DESTINATION share/metainfo)
install(FILES app/icons/sonvelia.svg DESTINATION share/icons/hicolor/scalable/apps)
foreach(size 16 32 48 64 128 256)
  install(FILES app/icons/sonvelia-${size}.png DESTINATION share/icons/hicolor/${size}x${size}/apps
          RENAME sonvelia.png)
endforeach()

set(CPACK_PACKAGE_NAME sonvelia)
set(CPACK_PACKAGE_VENDOR "L'équipe sonvelia")
set(CPACK_PACKAGE_CONTACT "L'équipe sonvelia <contact@sonvelia.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Additive sound synthesis from harmonics (French interface)")
set(CPACK_PACKAGE_DESCRIPTION
    "Builds a sound from a fundamental, a glide, a duration and up to fifty\nharmonics, plays it and shows its waveform, spectrum, sonogram and\ncomponents.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://sonvelia.example.org/)
set(CPACK_STRIP_FILES ON)
include(CPack)
