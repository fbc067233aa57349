# Debian packages the project stands on (scripts/install-deps installs them).
find_package(PkgConfig REQUIRED)
find_package(SDL2 REQUIRED CONFIG)
find_package(SDL2_mixer REQUIRED CONFIG)
find_package(OpenGL REQUIRED COMPONENTS OpenGL EGL)
find_package(Freetype REQUIRED)
find_package(Fontconfig REQUIRED)
find_package(ZLIB REQUIRED)
# Xlib: the window layer watches a window of another program it draws in.
find_package(X11 REQUIRED)
pkg_check_modules(EPOXY REQUIRED IMPORTED_TARGET epoxy)
pkg_check_modules(STB REQUIRED IMPORTED_TARGET stb)
pkg_check_modules(IMGUI REQUIRED IMPORTED_TARGET imgui)
# libsquish (DXT block coding): its pkg-config file names an include folder
# that does not exist, so the header and library are found directly.
find_path(SQUISH_INCLUDE_DIR squish.h REQUIRED)
find_library(SQUISH_LIBRARY squish REQUIRED)
if(NOT TARGET Squish::Squish)
  add_library(Squish::Squish UNKNOWN IMPORTED)
  set_target_properties(Squish::Squish PROPERTIES IMPORTED_LOCATION ${SQUISH_LIBRARY}
                                                  INTERFACE_INCLUDE_DIRECTORIES ${SQUISH_INCLUDE_DIR})
endif()
find_package(Threads REQUIRED)

if(VELMORAN_BUILD_TESTS)
  find_package(GTest REQUIRED)
  find_package(benchmark REQUIRED)
  include(GoogleTest)
endif()

# Dear ImGui's SDL2 and OpenGL3 back ends ship as sources with the package.
set(IMGUI_BACKENDS /usr/share/doc/libimgui-dev/examples/backends)
if(NOT TARGET imgui_backends)
  add_library(imgui_backends STATIC ${IMGUI_BACKENDS}/imgui_impl_sdl.cpp ${IMGUI_BACKENDS}/imgui_impl_opengl3.cpp)
  target_include_directories(imgui_backends SYSTEM PUBLIC /usr/include/imgui/backends)
  target_compile_definitions(imgui_backends PRIVATE IMGUI_IMPL_OPENGL_LOADER_CUSTOM)
  target_compile_options(imgui_backends PRIVATE -include epoxy/gl.h -w)
  target_link_libraries(imgui_backends PUBLIC PkgConfig::IMGUI SDL2::SDL2 PkgConfig::EPOXY)
endif()
