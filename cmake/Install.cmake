# What `cmake --install` puts under the prefix: the program, a pristine copy of
# its generated media, and what a desktop needs to offer it (entry, icons,
# AppStream metadata, manual page, copyright). Developer tools, tests and
# benchmarks stay in the build folder.

# One id names the desktop entry, the icon and the metadata, so that software
# centres can tie them together; it must never change once released.
set(VELMORAN_APP_ID io.github.velmoran.horlo)
# A placeholder: set it to the project's real address when it is published.
set(VELMORAN_HOMEPAGE "https://velmoran.example.org" CACHE STRING
    "The project's web address, written into the metadata and the package")
set(VELMORAN_MAINTAINER "The Velmoran no Horlo developers <velmoran@example.org>")
# The package's own revision on top of the program's version; bump it for a
# package that ships the same program again, and add a changelog entry.
set(VELMORAN_PACKAGE_RELEASE 1)
set(VELMORAN_DEB_VERSION ${PROJECT_VERSION}-${VELMORAN_PACKAGE_RELEASE})

set(VELMORAN_DATA_DIR ${CMAKE_BINARY_DIR}/data)
set(VELMORAN_PACKAGING_DIR ${CMAKE_BINARY_DIR}/packaging)
set(VELMORAN_PACKAGING_SOURCE ${PROJECT_SOURCE_DIR}/packaging)
# Debian names the folder after the package, not after the CMake project.
set(VELMORAN_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/velmoran)
# Folders must not inherit a restrictive umask of whoever installs.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

find_program(VELMORAN_GZIP gzip REQUIRED)

# The run folder's settings file is the developer's, rewritten by every run,
# so the installed media are a generation of their own. It starts from an
# empty folder so that nothing an older generator wrote is installed.
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/data.stamp ${VELMORAN_DATA_DIR}/Model/VelmoranBase07.x
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${VELMORAN_DATA_DIR}
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 $<TARGET_FILE:mediagen> --out ${VELMORAN_DATA_DIR}
  COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/data.stamp
  DEPENDS mediagen
  COMMENT "Generating the media to install in ${VELMORAN_DATA_DIR}"
  VERBATIM)
set(VELMORAN_INSTALL_OUTPUTS ${CMAKE_BINARY_DIR}/data.stamp)

# Icons: the flower clock's head rendered from those media by xview. The
# 512 px one is what a desktop at twice the scale shows for 256.
set(VELMORAN_ICON_SIZES 48 64 128 256 512)
if(TARGET xview)
  foreach(size IN LISTS VELMORAN_ICON_SIZES)
    set(icon ${VELMORAN_PACKAGING_DIR}/icons/${size}x${size}/${VELMORAN_APP_ID}.png)
    add_custom_command(
      OUTPUT ${icon}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMORAN_PACKAGING_DIR}/icons/${size}x${size}
      # No display is needed: the software device renders off-screen.
      COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 SDL_VIDEODRIVER=offscreen
              $<TARGET_FILE:xview> --icon ${icon} --run ${VELMORAN_DATA_DIR} --size ${size}
      DEPENDS xview ${CMAKE_BINARY_DIR}/data.stamp
      COMMENT "Rendering the ${size} px icon"
      VERBATIM)
    list(APPEND VELMORAN_INSTALL_OUTPUTS ${icon})
    install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
else()
  message(WARNING "xview is not built: the program is installed without icons")
endif()

# Text files filled in with the version and the ids.
configure_file(${VELMORAN_PACKAGING_SOURCE}/${VELMORAN_APP_ID}.metainfo.xml.in
               ${VELMORAN_PACKAGING_DIR}/${VELMORAN_APP_ID}.metainfo.xml @ONLY)
configure_file(${VELMORAN_PACKAGING_SOURCE}/velmoran.6.in ${VELMORAN_PACKAGING_DIR}/velmoran.6 @ONLY)
configure_file(${VELMORAN_PACKAGING_SOURCE}/changelog.Debian.in ${VELMORAN_PACKAGING_DIR}/changelog.Debian @ONLY)

# Manual pages and changelogs go compressed, without a name or time stamp in
# the header so that two builds give the same bytes.
foreach(page IN ITEMS velmoran.6 changelog.Debian)
  set(compressed ${VELMORAN_PACKAGING_DIR}/gz/${page}.gz)
  add_custom_command(
    OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E copy ${VELMORAN_PACKAGING_DIR}/${page} ${VELMORAN_PACKAGING_DIR}/gz/${page}
    COMMAND ${VELMORAN_GZIP} -9nf ${VELMORAN_PACKAGING_DIR}/gz/${page}
    DEPENDS ${VELMORAN_PACKAGING_DIR}/${page}
    COMMENT "Compressing ${page}"
    VERBATIM)
  list(APPEND VELMORAN_INSTALL_OUTPUTS ${compressed})
endforeach()

add_custom_target(install_files ALL DEPENDS ${VELMORAN_INSTALL_OUTPUTS})

install(TARGETS velmoran RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (cpack, or cmake --install --strip) also drops the
# compilers' version notes, as Debian's own packaging tools do.
if(CMAKE_OBJCOPY)
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment --remove-section=.note
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:velmoran>\"
      COMMAND_ERROR_IS_FATAL ANY)
  endif()")
endif()
install(DIRECTORY ${VELMORAN_DATA_DIR}/Model ${VELMORAN_DATA_DIR}/Texture ${VELMORAN_DATA_DIR}/Misc
                  ${VELMORAN_DATA_DIR}/Sound
        DESTINATION ${CMAKE_INSTALL_DATADIR}/velmoran)
install(FILES ${VELMORAN_PACKAGING_SOURCE}/${VELMORAN_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VELMORAN_PACKAGING_DIR}/${VELMORAN_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${VELMORAN_PACKAGING_DIR}/gz/velmoran.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${VELMORAN_PACKAGING_SOURCE}/copyright DESTINATION ${VELMORAN_INSTALL_DOCDIR})
# As a screen saver: the description its settings program reads, and the
# program where the daemon looks for its display modules, as a relative link
# so that a moved tree keeps working (the program finds its media from its
# own resolved path).
install(FILES ${VELMORAN_PACKAGING_SOURCE}/velmoran.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)
file(RELATIVE_PATH VELMORAN_SAVER_TARGET /${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver
     /${CMAKE_INSTALL_BINDIR}/velmoran)
install(CODE "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver\")
  file(CREATE_LINK \"${VELMORAN_SAVER_TARGET}\"
       \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver/velmoran\" SYMBOLIC)")
# What only the Debian package carries; a plain install leaves it out.
install(FILES ${VELMORAN_PACKAGING_DIR}/gz/changelog.Debian.gz DESTINATION ${VELMORAN_INSTALL_DOCDIR}
        COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${VELMORAN_PACKAGING_SOURCE}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME velmoran COMPONENT deb EXCLUDE_FROM_ALL)
