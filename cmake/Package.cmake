# `cpack -G DEB` in the build folder: a Debian package of what Install.cmake
# installs, under /usr. Needs dpkg-dev (dpkg-shlibdeps).
set(CPACK_PACKAGE_NAME velmoran)
set(CPACK_PACKAGE_VENDOR "The Velmoran no Horlo developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${VELMORAN_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop clock drawn as a real-time 3-D scene")
set(CPACK_PACKAGE_HOMEPAGE_URL ${VELMORAN_HOMEPAGE})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
# Everything a plain install puts down, and the Debian-only files (changelog,
# lintian overrides) that Install.cmake keeps out of it.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/" "${CMAKE_BINARY_DIR};${PROJECT_NAME};deb;/")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${VELMORAN_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VELMORAN_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${VELMORAN_HOMEPAGE})
# The summary above is the synopsis; this is the extended text under it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Velmoran no Horlo draws a small garden in real time: flower-shaped clocks
whose hands follow the local time, vines, a blue bird flying a closed path
with the camera riding along, rising bubbles, a trail of sparks and rainbow
ribbons.
.
Corner buttons quit, switch to full screen, let the camera be steered with
the keyboard and open a count-down timer of up to thirty minutes that plays
an alarm sound at zero. Keys 1 to 4 switch the background colour, the
buttons, the framed view and the numerals; the choices are kept per user.")
# Libraries it links are found by dpkg-shlibdeps. What it loads without
# linking: the Mesa drivers behind GL and EGL (software rendering included),
# and the font that the face name Arial resolves to.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1-mesa-dri, libegl-mesa0, libglx-mesa0, fonts-liberation")
# A MIDI alarm sounds only with a General MIDI soundfont; the WAV one does not need it.
# On Wayland the window's title bar and borders are drawn by a libdecor plugin
# (SDL brings libdecor, not a plugin); without one the window has none.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "timgm6mb-soundfont | fluid-soundfont-gm, libdecor-0-plugin-1-cairo")
# Lintian wants control files 0644 and folders 0755 whatever the umask.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
