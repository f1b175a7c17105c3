# What `cmake --install` puts where, and the Debian packages made of it.
#
# Components, one Debian package each (cmake/StrellPackage.cmake):
#   runtime       libstrell.so.1.0.0 and its SONAME link         -> libstrell1
#   host_runtime  libstrell_host.so.1.0.0 and its SONAME link    -> libstrell-host1
#   dev           strell.h, strell_host.h, the development links,
#                 the static kit, strell.pc, strell-host.pc, the
#                 CMake package (strell::strell, strell::host,
#                 strell::host_shared)                           -> libstrell-dev
#   tools         the strell tool and the example configuration  -> strell-tools
#
# Parts that are not built (host kit, tool, examples) are simply left out, so
# the rules hold for a library-only build too. Included at the end of the
# top-level CMakeLists.txt, when every target exists.
include(CMakePackageConfigHelpers)

set(STRELL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/strell)

# An installed target must not name directories of the source tree: wrap each
# plain include directory into BUILD_INTERFACE and let the installed target
# see the installed include directory instead.
function(strell_relocatable_includes target)
  get_target_property(dirs ${target} INTERFACE_INCLUDE_DIRECTORIES)
  if(NOT dirs)
    return()
  endif()
  set(wrapped "")
  foreach(dir IN LISTS dirs)
    if(dir MATCHES "^\\$<")
      list(APPEND wrapped "${dir}")
    else()
      list(APPEND wrapped "$<BUILD_INTERFACE:${dir}>")
    endif()
  endforeach()
  list(APPEND wrapped "$<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>")
  list(REMOVE_DUPLICATES wrapped)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${wrapped}")
endfunction()

# --- The library -----------------------------------------------------------
install(TARGETS strell EXPORT strellTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/include/strell.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)

# --- The reference host kit --------------------------------------------------
# strell::host links the static kit (it defines the two host reader functions
# in the program), strell::host_shared the shared one, which a camera image
# takes at run time without anything of -dev. Each brings the library first
# (host/CMakeLists.txt says why); strell::host_archive and
# strell::host_library are the bare files behind them.
set(STRELL_CONFIG_NEEDS_PUGIXML FALSE)
if(TARGET strell_host)
  set(STRELL_CONFIG_NEEDS_PUGIXML TRUE)
  set_target_properties(strell_host PROPERTIES EXPORT_NAME host)
  set_target_properties(strell_host_shared PROPERTIES EXPORT_NAME host_shared)
  set_target_properties(strell_host_archive PROPERTIES EXPORT_NAME host_archive)
  set_target_properties(strell_host_library PROPERTIES EXPORT_NAME host_library)
  strell_relocatable_includes(strell_host_archive)
  strell_relocatable_includes(strell_host_library)
  install(TARGETS strell_host_archive EXPORT strellTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
  install(TARGETS strell_host_library EXPORT strellTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT host_runtime NAMELINK_COMPONENT dev)
  install(TARGETS strell_host strell_host_shared EXPORT strellTargets)
  install(FILES ${PROJECT_SOURCE_DIR}/host/strell_host.h
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)
endif()

# --- The strell tool and the example configuration ---------------------------
set(STRELL_HAVE_TOOLS FALSE)
if(EXISTS ${PROJECT_SOURCE_DIR}/tools/strell/CMakeLists.txt AND STRELL_BUILD_TOOLS)
  get_property(tool_targets DIRECTORY ${PROJECT_SOURCE_DIR}/tools/strell
    PROPERTY BUILDSYSTEM_TARGETS)
  foreach(tool IN LISTS tool_targets)
    get_target_property(type ${tool} TYPE)
    if(type STREQUAL "EXECUTABLE")
      # Outside the system prefix the tool finds the library beside it.
      if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
        set_target_properties(${tool} PROPERTIES
          INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
      endif()
      install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
      set(STRELL_HAVE_TOOLS TRUE)
    endif()
  endforeach()
endif()
if(EXISTS ${PROJECT_SOURCE_DIR}/examples/conf.d)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/conf.d/
    DESTINATION ${CMAKE_INSTALL_DATADIR}/strell/examples/conf.d COMPONENT tools)
  set(STRELL_HAVE_TOOLS TRUE)
endif()

# --- CMake package: find_package(strell) -------------------------------------
install(EXPORT strellTargets NAMESPACE strell:: DESTINATION ${STRELL_CMAKE_DIR}
  COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/strellConfig.cmake.in
  ${PROJECT_BINARY_DIR}/strellConfig.cmake INSTALL_DESTINATION ${STRELL_CMAKE_DIR})
# The SONAME carries the major version: any 1.x satisfies find_package(strell 1).
write_basic_package_version_file(${PROJECT_BINARY_DIR}/strellConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/strellConfig.cmake
  ${PROJECT_BINARY_DIR}/strellConfigVersion.cmake
  DESTINATION ${STRELL_CMAKE_DIR} COMPONENT dev)

# --- pkg-config: strell.pc ---------------------------------------------------
# Paths relative to the .pc file's own directory keep an installed tree
# relocatable (cmake --install --prefix, a firmware image's staging sysroot).
set(pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(STRELL_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
  set(STRELL_PC_LIBDIR "${CMAKE_INSTALL_FULL_LIBDIR}")
  set(STRELL_PC_INCLUDEDIR "${CMAKE_INSTALL_FULL_INCLUDEDIR}")
else()
  file(RELATIVE_PATH up "/root/${pc_dir}" "/root")
  string(REGEX REPLACE "/$" "" up "${up}")
  set(STRELL_PC_PREFIX "\${pcfiledir}/${up}")
  set(STRELL_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
  set(STRELL_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/strell.pc.in ${PROJECT_BINARY_DIR}/strell.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/strell.pc DESTINATION ${pc_dir} COMPONENT dev)
if(TARGET strell_host)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/strell-host.pc.in ${PROJECT_BINARY_DIR}/strell-host.pc
    @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/strell-host.pc DESTINATION ${pc_dir} COMPONENT dev)
endif()

include(${PROJECT_SOURCE_DIR}/cmake/StrellPackage.cmake)
