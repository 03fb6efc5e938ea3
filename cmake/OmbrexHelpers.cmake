# Shared build rules: compiler cache, warnings, sanitizers and the helpers that
# every folder uses to declare its library, tests, fuzzers and benchmarks.

find_program(OMBREX_CCACHE ccache)
if(OMBREX_CCACHE)
  set(CMAKE_C_COMPILER_LAUNCHER ${OMBREX_CCACHE})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${OMBREX_CCACHE})
endif()

add_library(ombrex_options INTERFACE)
target_include_directories(ombrex_options INTERFACE ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
target_compile_features(ombrex_options INTERFACE cxx_std_20)
if(MSVC)
  target_compile_options(ombrex_options INTERFACE /W4 /utf-8)
else()
  target_compile_options(ombrex_options INTERFACE -Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
endif()
target_link_libraries(ombrex_options INTERFACE Threads::Threads)
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND NOT WIN32)
  # Clang calls libatomic for atomics of small structs (the active profile)
  # that GCC inlines; both are lock-free.
  target_link_libraries(ombrex_options INTERFACE atomic)
endif()

if(OMBREX_SANITIZE)
  string(REPLACE ";" "," _ombrex_san "${OMBREX_SANITIZE}")
  add_compile_options(-fsanitize=${_ombrex_san} -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=${_ombrex_san})
endif()

# Tools that run during the build (converters, the picture generator) are built
# like everything else, sanitizers included; their sanitizer reports must not
# stop the build itself (Qt's uninstrumented thread pool looks racy to the
# thread sanitizer), and none needs a display. Prefix their COMMAND with this;
# a cross build runs them through its emulator.
set(OMBREX_BUILD_TOOL_ENV ${CMAKE_COMMAND} -E env TSAN_OPTIONS=report_bugs=0
    ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=halt_on_error=0 QT_QPA_PLATFORM=offscreen
    ${CMAKE_CROSSCOMPILING_EMULATOR})

set(OMBREX_TEST_BIN_DIR ${CMAKE_BINARY_DIR}/tests-bin)

# ombrex_library(<name> [QT] [SOURCES ...] [DEPS ...])
# A static library of one folder. Without SOURCES every .cpp of the folder is
# taken, so adding a file never means editing a list another person also edits.
function(ombrex_library name)
  cmake_parse_arguments(L "QT" "" "SOURCES;DEPS" ${ARGN})
  if(NOT L_SOURCES)
    file(GLOB L_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  if(NOT L_SOURCES)
    message(STATUS "${name}: no sources yet, not built")
    return()
  endif()
  add_library(${name} STATIC ${L_SOURCES})
  target_link_libraries(${name} PUBLIC ombrex_options ${L_DEPS})
  if(L_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    ombrex_qt_pch(${name})
  endif()
endfunction()

# A small precompiled header of the Qt headers the views really use; an
# umbrella header would make builds slower, not faster.
function(ombrex_qt_pch target)
  if(NOT OMBREX_FUZZ)
    target_precompile_headers(${target} PRIVATE
      <QtCore/QObject> <QtCore/QString> <QtCore/QTimer>
      <QtGui/QPainter> <QtGui/QPixmap> <QtGui/QImage>
      <QtWidgets/QWidget>)
  endif()
endfunction()

# Every executable that runs Qt gets this: Qt is not built with the thread
# sanitizer, so races whose stacks run through Qt's own thread pool are not
# ours to judge.
function(ombrex_qt_executable target)
  if("thread" IN_LIST OMBREX_SANITIZE)
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/qt_tsan_suppressions.cpp)
  endif()
endfunction()

# ombrex_test(<name> LABEL unit|integration|e2e SOURCES ... [DEPS ...] [GUI] [NOMAIN])
# One GoogleTest executable; its cases are discovered when ctest runs, so a
# test binary is never started during the build. NOMAIN: the suite brings its
# own main (one that must set up a display, say).
function(ombrex_test name)
  cmake_parse_arguments(T "GUI;NOMAIN" "LABEL;TIMEOUT" "SOURCES;DEPS" ${ARGN})
  if(NOT T_LABEL)
    message(FATAL_ERROR "ombrex_test(${name}) needs a LABEL")
  endif()
  if(NOT T_SOURCES)
    file(GLOB T_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${OMBREX_TEST_BIN_DIR})
  if(T_NOMAIN)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    ombrex_qt_executable(${name})
    target_link_libraries(${name} PRIVATE ${T_DEPS} ombrex_test_support GTest::gtest GTest::gmock)
  elseif(T_GUI)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    ombrex_qt_executable(${name})
    target_link_libraries(${name} PRIVATE ${T_DEPS} ombrex_gui_test_main GTest::gtest GTest::gmock)
  else()
    target_link_libraries(${name} PRIVATE ${T_DEPS} ombrex_test_main GTest::gtest GTest::gmock)
  endif()
  # The tests' environment (program folder, data and source folders, offscreen
  # Qt) is set by the test main itself; see tests/support/test_environment.cpp.
  # The keyboard lock and its count of changes are named objects of the whole
  # Windows session (on Linux they live in the runtime folder each test makes
  # its own): tests that run side by side there would take each other's
  # keyboard and see each other's changes, so the Windows suite runs one at
  # a time.
  set(_shared_lock)
  if(WIN32)
    set(_shared_lock RESOURCE_LOCK ombrex_session_keyboard_lock)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT} ${_shared_lock})
endfunction()

# Adds every direct subfolder of the current folder that has a CMakeLists.txt,
# so a new tool, benchmark or asset set needs no edit of a shared file.
function(ombrex_add_subfolders)
  file(GLOB _subs LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(sub IN LISTS _subs)
    if(IS_DIRECTORY ${sub} AND EXISTS ${sub}/CMakeLists.txt)
      add_subdirectory(${sub})
    endif()
  endforeach()
endfunction()

# ombrex_fuzzer(<name> SOURCES ... DEPS ...): a libFuzzer target, built only in
# the fuzz preset (clang with -fsanitize=fuzzer,address,undefined).
function(ombrex_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;DEPS" ${ARGN})
  if(NOT OMBREX_FUZZ)
    return()
  endif()
  add_executable(${name} ${F_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${F_DEPS})
endfunction()

# ombrex_bench(<name> SOURCES ... DEPS ...): a Google Benchmark executable.
function(ombrex_bench name)
  cmake_parse_arguments(B "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${B_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  target_link_libraries(${name} PRIVATE ${B_DEPS} benchmark::benchmark benchmark::benchmark_main)
endfunction()

# GoogleTest built from its sources (`source` holds googletest/ and
# googlemock/); they define the names find_package(GTest) gives.
function(ombrex_googletest_from_source source)
  if(NOT EXISTS ${source}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest sources not found in ${source} (Debian: googletest)")
  endif()
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(${source} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  if(NOT TARGET GTest::gtest OR NOT TARGET GTest::gmock)
    message(FATAL_ERROR "${source} does not define GTest::gtest and GTest::gmock")
  endif()
endfunction()
