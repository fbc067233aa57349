# velmoran_library(NAME SOURCES ... [DEPS ...]): one static library per source folder.
function(velmoran_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()

# A hung test ends at its limit and is named, long before the run's own limit.
# Limits are several times the slowest case measured in a plain build; the
# sanitizers make every case several times slower.
if(VELMORAN_SANITIZE)
  set(VELMORAN_TIME_SCALE 4)
else()
  set(VELMORAN_TIME_SCALE 1)
endif()

# velmoran_test(NAME SOURCES ... DEPS ... [TIMEOUT S]): a GoogleTest program registered with CTest,
# each case an entry of its own with a limit of S seconds in a plain build (default 30; the
# slowest case takes under 4 s in a plain build).
# Tests run head-less: dummy audio, off-screen video, message boxes hooked by the test main.
function(velmoran_test name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;DEPS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 30)
  endif()
  math(EXPR limit "${ARG_TIMEOUT} * ${VELMORAN_TIME_SCALE}")
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} test_support GTest::gtest GTest::gmock)
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES ENVIRONMENT "SDL_AUDIODRIVER=dummy;SDL_VIDEODRIVER=offscreen;VELMORAN_NO_PACING=1" TIMEOUT ${limit}
    DISCOVERY_TIMEOUT 60)
endfunction()

# velmoran_benchmark(NAME SOURCES ... DEPS ...): a Google Benchmark program; CTest runs it in a short smoke mode.
function(velmoran_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/bench)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} benchmark::benchmark)
  add_test(NAME ${name}_smoke COMMAND ${name} --benchmark_min_time=0.01)
  if(NOT TARGET benchmarks)
    add_custom_target(benchmarks)
  endif()
  add_dependencies(benchmarks ${name})
  math(EXPR limit "60 * ${VELMORAN_TIME_SCALE}")
  set(environment "SDL_AUDIODRIVER=dummy;SDL_VIDEODRIVER=offscreen;VELMORAN_NO_PACING=1")
  if(VELMORAN_SANITIZE)
    # The leak check's walk over dynamic TLS meets a corrupt record of the
    # software rasteriser's libraries in the device benchmark's runs (the
    # sanitizer's tracer dies with signal 11); the program keeps no heap
    # pointers in TLS, so the walk is left out here.
    list(APPEND environment "LSAN_OPTIONS=use_tls=0:suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0")
  endif()
  set_tests_properties(${name}_smoke PROPERTIES LABELS bench TIMEOUT ${limit} ENVIRONMENT "${environment}")
endfunction()
