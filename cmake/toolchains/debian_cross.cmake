# What the Debian cross toolchains have in common; included by armhf.cmake and
# arm64.cmake after they set STRELL_CROSS_TRIPLET, STRELL_CROSS_QEMU and
# STRELL_CROSS_DEB_ARCH.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${STRELL_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${STRELL_CROSS_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${STRELL_CROSS_TRIPLET})

# Target libraries come from the cross sysroot and, for packages of the
# foreign architecture (dpkg --add-architecture), from Debian's multiarch
# directories; programs that run during the build come from the build machine.
# "/" is searched for the multiarch directories only: CMAKE_LIBRARY_ARCHITECTURE
# makes library and package searches look in lib/<triplet>, where nothing of
# the build machine's architecture is, and the remaining directories
# (/usr/include, /usr/share/cmake) hold what Debian ships for every
# architecture (headers, header-only libraries, GoogleTest's sources).
set(CMAKE_FIND_ROOT_PATH /usr/${STRELL_CROSS_TRIPLET} /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config looks in the target's directories only, as Debian's
# <triplet>-pkg-config does; left alone it would find the build machine's
# .pc files (its pugixml, say) and link them into the target's programs.
set(ENV{PKG_CONFIG_LIBDIR}
  "/usr/lib/${STRELL_CROSS_TRIPLET}/pkgconfig:/usr/${STRELL_CROSS_TRIPLET}/lib/pkgconfig:/usr/share/pkgconfig")

# The target's dynamic loader and C library live under the cross sysroot;
# QEMU_LD_PREFIX in the environment, where set, names the same directory.
set(CMAKE_CROSSCOMPILING_EMULATOR ${STRELL_CROSS_QEMU} -L /usr/${STRELL_CROSS_TRIPLET})

# Packages built from this tree (cpack) are for the target architecture.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${STRELL_CROSS_DEB_ARCH})
