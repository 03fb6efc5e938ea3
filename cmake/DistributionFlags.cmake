# The packaged build is compiled and linked as the distribution builds its own
# packages: the flags come from dpkg-buildflags, with every hardening feature
# (read-only relocations bound at load time, fortified string and memory
# functions, stack protector, format checks). Debug information is left out:
# the package is stripped and has no debug-symbol companion.
option(OMBREX_DISTRIBUTION_FLAGS "Build with the flags of dpkg-buildflags (packaging)" OFF)
if(NOT OMBREX_DISTRIBUTION_FLAGS)
  return()
endif()
if(WIN32 OR CMAKE_CROSSCOMPILING)
  message(FATAL_ERROR "OMBREX_DISTRIBUTION_FLAGS is for a native Debian build")
endif()
find_program(OMBREX_DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
foreach(kind CPPFLAGS CFLAGS CXXFLAGS LDFLAGS)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
            DEB_CFLAGS_MAINT_STRIP=-g DEB_CXXFLAGS_MAINT_STRIP=-g
            ${OMBREX_DPKG_BUILDFLAGS} --get ${kind}
    # -ffile-prefix-map names the folder it is run in: the sources.
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE _ombrex_${kind} OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
message(STATUS "dpkg-buildflags: ${_ombrex_CPPFLAGS} ${_ombrex_CXXFLAGS} | ${_ombrex_LDFLAGS}")
set(CMAKE_C_FLAGS "${_ombrex_CPPFLAGS} ${_ombrex_CFLAGS} ${CMAKE_C_FLAGS}")
set(CMAKE_CXX_FLAGS "${_ombrex_CPPFLAGS} ${_ombrex_CXXFLAGS} ${CMAKE_CXX_FLAGS}")
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS "${_ombrex_LDFLAGS} ${CMAKE_${kind}_LINKER_FLAGS}")
endforeach()
