# The protections Debian builds its packages with: checked buffer functions,
# stack canaries, position-independent executables and a read-only,
# eagerly bound relocation table. The sanitizer and fuzzing builds check
# more than this on their own and are never shipped, so they go without.
option(VELMORAN_HARDENING "Build with the usual hardening flags (not with sanitizers)" ON)
if(VELMORAN_HARDENING AND NOT VELMORAN_SANITIZE AND NOT VELMORAN_FUZZ)
  # The checked functions need the optimiser; glibc warns without it.
  add_compile_definitions($<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
  add_compile_options(-fstack-protector-strong)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  include(CheckPIESupported)
  check_pie_supported()
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
