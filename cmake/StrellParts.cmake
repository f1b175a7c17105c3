# Which optional parts this configuration builds.
#
# The library needs nothing beyond the compiler. Every other part needs
# packages built for the target: the host kit pugixml, the tool the kit and two
# header-only libraries, the tests GoogleTest (and, in a cross build, the
# emulator that runs them), the benchmarks Google Benchmark, strell-rtspd
# GStreamer's RTSP server. A part whose option is on but whose packages are
# missing is left out of this configuration only (its option keeps its value,
# so installing the packages and configuring again brings it back), and
# strell_report_left_out() prints one message that names every part left out
# and what to install. Included by the top-level CMakeLists.txt before the
# parts' folders are added.

# Debian package names for the target: a cross build needs the foreign
# architecture's packages of everything it links (the toolchain file names the
# architecture); header-only and source packages serve every architecture.
if(CMAKE_CROSSCOMPILING AND STRELL_CROSS_DEB_ARCH)
  set(strell_target_arch ":${STRELL_CROSS_DEB_ARCH}")
  set(strell_build_kind "this ${STRELL_CROSS_DEB_ARCH} build")
else()
  set(strell_target_arch "")
  set(strell_build_kind "this build")
endif()

set(strell_left_out "")
set(strell_to_install "")
# strell_leave_out(OPTION "what, and why" PACKAGE...): turns the part off for
# this configuration and records the packages that would bring it back.
macro(strell_leave_out option what)
  set(${option} OFF)
  list(APPEND strell_left_out "${what}")
  list(APPEND strell_to_install ${ARGN})
endmacro()

find_package(Threads REQUIRED)
find_package(PkgConfig QUIET)

# pugixml, for the host kit, the tool and the benchmarks: its CMake package,
# else its pkg-config file. STRELL_PUGIXML names the target to link.
set(STRELL_PUGIXML "")
if(STRELL_BUILD_HOST OR STRELL_BUILD_BENCH)
  find_package(pugixml CONFIG QUIET)
  if(TARGET pugixml::pugixml)
    set(STRELL_PUGIXML pugixml::pugixml)
  elseif(PKG_CONFIG_FOUND)
    pkg_check_modules(PUGIXML QUIET IMPORTED_TARGET GLOBAL pugixml)
    if(TARGET PkgConfig::PUGIXML)
      set(STRELL_PUGIXML PkgConfig::PUGIXML)
    endif()
  endif()
endif()

if(STRELL_BUILD_HOST AND NOT STRELL_PUGIXML)
  strell_leave_out(STRELL_BUILD_HOST "the host kit (no pugixml)" libpugixml-dev${strell_target_arch})
endif()

if(STRELL_BUILD_TOOLS)
  find_package(CLI11 CONFIG QUIET)
  find_package(nlohmann_json CONFIG QUIET)
  if(NOT STRELL_BUILD_HOST)
    strell_leave_out(STRELL_BUILD_TOOLS "the strell tool (it needs the host kit)")
  elseif(NOT TARGET CLI11::CLI11)
    strell_leave_out(STRELL_BUILD_TOOLS "the strell tool (no CLI11)" libcli11-dev)
  elseif(NOT TARGET nlohmann_json::nlohmann_json)
    strell_leave_out(STRELL_BUILD_TOOLS "the strell tool (no nlohmann-json)" nlohmann-json3-dev)
  endif()
endif()

if(STRELL_BUILD_RTSPD)
  if(PKG_CONFIG_FOUND)
    pkg_check_modules(STRELL_GST_RTSP QUIET IMPORTED_TARGET GLOBAL
      gstreamer-rtsp-server-1.0 gstreamer-sdp-1.0)
  endif()
  find_package(CLI11 CONFIG QUIET)
  if(NOT STRELL_BUILD_HOST)
    strell_leave_out(STRELL_BUILD_RTSPD "strell-rtspd (it needs the host kit)")
  elseif(NOT TARGET PkgConfig::STRELL_GST_RTSP)
    strell_leave_out(STRELL_BUILD_RTSPD "strell-rtspd (no GStreamer RTSP server)"
      libgstrtspserver-1.0-dev${strell_target_arch})
  elseif(NOT TARGET CLI11::CLI11)
    strell_leave_out(STRELL_BUILD_RTSPD "strell-rtspd (no CLI11)" libcli11-dev)
  endif()
endif()

if(STRELL_BUILD_BENCH)
  find_package(benchmark CONFIG QUIET)
  if(NOT TARGET benchmark::benchmark)
    strell_leave_out(STRELL_BUILD_BENCH "the benchmarks (no Google Benchmark)"
      libbenchmark-dev${strell_target_arch})
  elseif(NOT STRELL_PUGIXML)
    strell_leave_out(STRELL_BUILD_BENCH "the benchmarks (no pugixml)"
      libpugixml-dev${strell_target_arch})
  endif()
endif()

if(STRELL_BUILD_TESTS)
  include(${CMAKE_CURRENT_LIST_DIR}/StrellGTest.cmake)
  # A cross build runs each test program under the toolchain's emulator, at
  # build time too: gtest_discover_tests lists the tests of every program.
  set(strell_emulator_found TRUE)
  if(CMAKE_CROSSCOMPILING)
    set(strell_emulator_found FALSE)
    set(strell_emulator "emulator (CMAKE_CROSSCOMPILING_EMULATOR)")
    if(CMAKE_CROSSCOMPILING_EMULATOR)
      list(GET CMAKE_CROSSCOMPILING_EMULATOR 0 strell_emulator)
      # Looked for at every configuration: it comes and goes with qemu-user.
      unset(STRELL_EMULATOR_PROGRAM CACHE)
      find_program(STRELL_EMULATOR_PROGRAM ${strell_emulator})
      if(STRELL_EMULATOR_PROGRAM)
        set(strell_emulator_found TRUE)
      endif()
    endif()
  endif()
  if(NOT STRELL_HAVE_GTEST OR NOT strell_emulator_found)
    if(NOT CMAKE_CROSSCOMPILING)
      strell_leave_out(STRELL_BUILD_TESTS "the tests (no GoogleTest)" libgtest-dev libgmock-dev)
    else()
      set(strell_missing "")
      set(strell_packages "")
      if(NOT STRELL_HAVE_GTEST)
        list(APPEND strell_missing "no GoogleTest sources")
        list(APPEND strell_packages googletest)
      endif()
      if(NOT strell_emulator_found)
        list(APPEND strell_missing "no ${strell_emulator} to run them")
        list(APPEND strell_packages qemu-user)
      endif()
      list(JOIN strell_missing ", " strell_missing)
      strell_leave_out(STRELL_BUILD_TESTS "the tests (${strell_missing})" ${strell_packages})
    endif()
  endif()
  if(STRELL_BUILD_TESTS)
    strell_build_gtest_sources()
  endif()
endif()

# Prints the one message about the parts left out, if any. Called at the end
# of the configuration, where it is the last thing a reader sees.
function(strell_report_left_out)
  if(NOT strell_left_out)
    return()
  endif()
  list(JOIN strell_left_out ", " parts)
  set(install_line "")
  if(strell_to_install)
    list(REMOVE_DUPLICATES strell_to_install)
    list(JOIN strell_to_install " " packages)
    set(install_line "apt-get install ${packages}")
    # Packages of the target's architecture need it added to dpkg first.
    set(foreign ${strell_to_install})
    list(FILTER foreign INCLUDE REGEX ":")
    if(foreign)
      set(install_line
        "dpkg --add-architecture ${STRELL_CROSS_DEB_ARCH} && apt-get update && ${install_line}")
    endif()
    set(install_line "\n  to build them, install: ${install_line}")
  endif()
  message(NOTICE "strell: building the library; left out of ${strell_build_kind}: ${parts}"
                 "${install_line}")
endfunction()
