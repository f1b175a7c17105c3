# GoogleTest for the unit tests; sets STRELL_HAVE_GTEST (cmake/StrellParts.cmake
# leaves the tests out without it).
#
# The build machine's GoogleTest (libgtest-dev) serves native builds. A cross
# build has no GoogleTest for its target unless the foreign-architecture
# package is installed, so it compiles the source copy that Debian's
# googletest package ships in /usr/src/googletest with the cross compiler: no
# foreign architecture has to be added to the machine. The targets then carry
# the names find_package(GTest) gives (GTest::gtest, GTest::gtest_main, ...).
set(STRELL_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH
    "GoogleTest sources to build when the target has no GoogleTest installed")

set(strell_gtest_stub ${PROJECT_BINARY_DIR}/googletest-config)
# Once chosen (GTest_DIR names the stub below), the source build stays.
if(NOT GTest_DIR STREQUAL strell_gtest_stub)
  find_package(GTest QUIET)
endif()
set(strell_gtest_from_source FALSE)
if(CMAKE_CROSSCOMPILING AND NOT TARGET GTest::gtest
   AND EXISTS ${STRELL_GTEST_SOURCE_DIR}/CMakeLists.txt)
  set(strell_gtest_from_source TRUE)
endif()
if(TARGET GTest::gtest OR strell_gtest_from_source)
  set(STRELL_HAVE_GTEST TRUE)
else()
  set(STRELL_HAVE_GTEST FALSE)
endif()

# Adds GoogleTest's sources to the build where they serve; called once the
# tests are kept.
macro(strell_build_gtest_sources)
  if(strell_gtest_from_source)
    # GoogleTest's own code is not held to the project's warning flags.
    get_directory_property(strell_saved_options COMPILE_OPTIONS)
    set_directory_properties(PROPERTIES COMPILE_OPTIONS "")
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(${STRELL_GTEST_SOURCE_DIR} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    set_directory_properties(PROPERTIES COMPILE_OPTIONS "${strell_saved_options}")
    foreach(lib gtest gtest_main gmock gmock_main)
      add_library(GTest::${lib} ALIAS ${lib})
    endforeach()
    # find_package(GTest) in tests/ first looks for a package configuration:
    # an empty one makes it take the targets above.
    file(WRITE ${strell_gtest_stub}/GTestConfig.cmake
         "# GoogleTest is built with the project; its targets already exist.\n")
    set(GTest_DIR ${strell_gtest_stub} CACHE PATH "" FORCE)
  endif()
endmacro()
