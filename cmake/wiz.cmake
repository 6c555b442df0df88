# The Wiz build: programs for the console's own firmware, the legacy ARM ABI
# (ELF EABI version 0, the APCS calling convention with soft-float doubles in
# VFP word order), glibc 2.3.6 and its loader /lib/ld-linux.so.2.
#
#   tools/wiz_runtime.sh     (the C++ runtime for that ABI, built once)
#   cmake -S . -B build/wiz -DCMAKE_TOOLCHAIN_FILE=cmake/wiz.cmake
#
# Debian's arm-linux-gnueabi-g++ compiles (with -mabi=apcs-gnu); the headers
# are the armel sysroot's (tools/arm_sysroot.sh: glibc, Linux, SDL 1.2,
# libjpeg 6b's interface), those of the C++ library tools/wiz_runtime.sh
# built, and platform/wiz (libpng 1.2's interface, which Debian lacks). Every
# program links against the firmware's own libraries (tools/wiz_root.sh lays
# them out in build/wiz-root) and nothing else: the C++ runtime and GCC's
# helpers are linked in from tools/wiz_runtime.sh's archives, the program's
# entry and the few C library names newer headers ask for come from
# platform/wiz_start.cpp (see korvo_wiz_program in CMakeLists.txt).
#
# KORVO_ARM_SYSROOT, KORVO_WIZ_ROOT and KORVO_WIZ_RUNTIME (also read from the
# environment) choose other folders. qemu-arm, when installed, runs the
# programs with the firmware root as their root.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(KORVO_WIZ ON CACHE BOOL "Build for the Wiz firmware (set by cmake/wiz.cmake)" FORCE)

get_filename_component(korvo_top "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
foreach(var KORVO_ARM_SYSROOT KORVO_WIZ_ROOT KORVO_WIZ_RUNTIME)
  if(NOT DEFINED ${var} AND DEFINED ENV{${var}})
    set(${var} "$ENV{${var}}")
  endif()
endforeach()
if(NOT KORVO_ARM_SYSROOT)
  set(KORVO_ARM_SYSROOT "${korvo_top}/build/sysroot-armel")
endif()
if(NOT KORVO_WIZ_ROOT)
  set(KORVO_WIZ_ROOT "${korvo_top}/build/wiz-root")
endif()
if(NOT KORVO_WIZ_RUNTIME)
  if(DEFINED ENV{XDG_CACHE_HOME})
    set(KORVO_WIZ_RUNTIME "$ENV{XDG_CACHE_HOME}/korvo-wiz/runtime")
  else()
    set(KORVO_WIZ_RUNTIME "$ENV{HOME}/.cache/korvo-wiz/runtime")
  endif()
endif()
set(KORVO_ARM_SYSROOT "${KORVO_ARM_SYSROOT}" CACHE PATH "Root with the armel headers")
set(KORVO_WIZ_ROOT "${KORVO_WIZ_ROOT}" CACHE PATH "Root with the firmware's libraries in lib/")
set(KORVO_WIZ_RUNTIME "${KORVO_WIZ_RUNTIME}" CACHE PATH "The C++ runtime built by tools/wiz_runtime.sh")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KORVO_ARM_SYSROOT KORVO_WIZ_ROOT KORVO_WIZ_RUNTIME)
foreach(need "${KORVO_ARM_SYSROOT}/usr/include/SDL/SDL.h" "${KORVO_WIZ_ROOT}/lib/libc.so.6"
             "${KORVO_WIZ_RUNTIME}/lib/libgcc.o")
  if(NOT EXISTS "${need}")
    message(FATAL_ERROR "The Wiz build needs ${need}: run tools/wiz_runtime.sh (it lays out the "
                        "armel headers, the firmware root and the C++ runtime)")
  endif()
endforeach()

set(CMAKE_C_COMPILER arm-linux-gnueabi-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabi-g++)
set(CMAKE_SYSROOT "${KORVO_ARM_SYSROOT}")

# The ARM926EJ-S without a floating-point unit, ARM code; the firmware's
# calling convention. No stack protector, fortified calls or "unique"
# symbols: the firmware's C library and loader have none of them.
set(korvo_wiz_flags "-mabi=apcs-gnu -march=armv5te -mtune=arm926ej-s -marm -mfloat-abi=soft")
string(APPEND korvo_wiz_flags " -fno-stack-protector -fno-gnu-unique -U_FORTIFY_SOURCE -ffunction-sections -fdata-sections")
set(CMAKE_C_FLAGS_INIT "${korvo_wiz_flags}")
set(CMAKE_CXX_FLAGS_INIT "${korvo_wiz_flags} -nostdinc++ -isystem ${KORVO_WIZ_RUNTIME}/include/c++/12 -isystem ${KORVO_WIZ_RUNTIME}/include/c++/12/arm-linux-gnueabi")

# No start files or libraries of the compiler's own: the loader and the
# hash table style the firmware's loader reads, the firmware's libraries
# found beside each other, GCC's helpers as one object ahead of everything
# (so none is ever taken from a firmware library, whose copies keep doubles
# in another word order), the C++ library and the firmware's C library at
# the end.
set(korvo_wiz_lib "${KORVO_WIZ_ROOT}/lib")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-nostdlib -no-pie -Wl,--dynamic-linker=/lib/ld-linux.so.2 -Wl,--hash-style=sysv -Wl,-rpath-link,${korvo_wiz_lib} -Wl,--no-warn-mismatch -Wl,--disable-new-dtags -Wl,--as-needed -Wl,--gc-sections ${KORVO_WIZ_RUNTIME}/lib/libgcc.o")
set(CMAKE_CXX_STANDARD_LIBRARIES "${KORVO_WIZ_RUNTIME}/lib/libstdc++.a ${korvo_wiz_lib}/libm.so.6 ${korvo_wiz_lib}/librt.so.1 ${korvo_wiz_lib}/libpthread.so.0 ${korvo_wiz_lib}/libc.so.6")
set(CMAKE_C_STANDARD_LIBRARIES "${korvo_wiz_lib}/libc.so.6")

set(CMAKE_FIND_ROOT_PATH "${KORVO_ARM_SYSROOT}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The firmware libraries are found through the loader's own paths, never
# through a path of the build machine. A cache entry: CMake's own set-up
# writes CMAKE_SKIP_RPATH into the cache after this file, which would hide
# a plain variable of that name.
set(CMAKE_SKIP_RPATH ON CACHE BOOL "No run-time library paths in the Wiz programs" FORCE)
# try_compile links nothing (a program would need platform/wiz_start.cpp).
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

find_program(KORVO_QEMU_ARM qemu-arm)
if(KORVO_QEMU_ARM)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${KORVO_QEMU_ARM};-cpu;arm926;-L;${KORVO_WIZ_ROOT}")
endif()
