# Debian packages of the install components (scripts/package.sh runs cpack):
#   libstrell1       the runtime library
#   libstrell-host1  the shared reference host kit, for images without a host
#   libstrell-dev    headers, development links, the static kit, pkg-config and
#                    CMake files
#   strell-tools     the strell tool and the example configuration
# A camera image takes the runtime packages alone.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME strell)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR strell)
set(CPACK_PACKAGE_CONTACT "strell maintainers <strell@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Resolves camera stream URLs into media profiles")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
# Packages ship stripped binaries; the build tree keeps the debug information.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev)
if(TARGET strell_host)
  list(APPEND CPACK_COMPONENTS_ALL host_runtime)
endif()
if(STRELL_HAVE_TOOLS)
  list(APPEND CPACK_COMPONENTS_ALL tools)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libstrell1)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
  "camera stream URL resolution library
 libstrell.so.1 answers, for the stream URL a client requested from an IP
 camera, which camera media the URL denotes: a profile key and name, and the
 channel, stream and multicast settings of its video, audio and metadata.
 The loading process supplies the two configuration reader functions.")
# A shlibs file lets packages built against libstrell.so.1 depend on libstrell1.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

set(CPACK_DEBIAN_HOST_RUNTIME_PACKAGE_NAME libstrell-host1)
set(CPACK_DEBIAN_HOST_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_HOST_RUNTIME_DESCRIPTION
  "camera stream URL resolution library - reference host
 libstrell_host.so.1 defines the two configuration reader functions that
 libstrell.so.1 leaves to its process, over the XML files of a configuration
 directory (/etc/conf.d, or $STRELL_CONF_ROOT), for a process that has no
 host of its own.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libstrell-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_DESCRIPTION
  "camera stream URL resolution library - development files
 The C header strell.h, the development link of libstrell.so, a pkg-config
 file (strell.pc) and a CMake package (find_package(strell) gives
 strell::strell, strell::host and strell::host_shared). The reference host
 kit (strell_host.h, libstrell_host.a, the development link of
 libstrell_host.so, strell-host.pc) implements the configuration readers
 over a directory of XML files.")
if(STRELL_CONFIG_NEEDS_PUGIXML)
  set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libpugixml-dev")
endif()

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME strell-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOLS_DESCRIPTION
  "camera stream URL resolution library - tools
 The strell command resolves stream URLs and lists profiles against a camera
 configuration directory. An example configuration is installed under
 /usr/share/strell/examples/conf.d.")

# Each package depends on exactly the runtime packages it was built with; the
# shared kit needs nothing of the library (the library calls the kit), and the
# tool links the static kit.
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
if(TARGET strell_host)
  list(APPEND CPACK_COMPONENT_DEV_DEPENDS host_runtime)
endif()
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

# dpkg-shlibdeps computes the C library and C++ runtime dependencies; it can
# only inspect binaries of the build machine's own architecture.
if(NOT CMAKE_CROSSCOMPILING)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/src)
endif()

include(CPack)
