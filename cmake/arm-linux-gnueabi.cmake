# Cross-compiling for the console's processor, ARM926EJ-S (ARMv5TE),
# soft-float EABI, with Debian's armel libraries: the ARM tests and
# benchmarks under qemu-arm. Not the card's programs: the Wiz's firmware is
# of the legacy ABI (cmake/wiz.cmake, release.sh).
#
#   cmake -S . -B build/arm -DCMAKE_TOOLCHAIN_FILE=cmake/arm-linux-gnueabi.cmake \
#         [-DKORVO_ARM_SYSROOT=DIR] [-DKORVO_ARM_PREFIX=PREFIX]
#
# KORVO_ARM_PREFIX   the compilers' name prefix: "arm-linux-gnueabi-" (Debian's
#                    g++-arm-linux-gnueabi, the default) or the console SDK's,
#                    e.g. "/path/to/sdk/bin/arm-linux-" when its g++ is
#                    /path/to/sdk/bin/arm-linux-g++.
# KORVO_ARM_SYSROOT  the target's root with libc, SDL 1.2, SDL_image, SDL_mixer
#                    (headers, libraries, pkg-config files):
#                    build/sysroot-armel as tools/arm_sysroot.sh lays it out
#                    (the default), or the SDK's own root.
# Both are also read from the environment of the same name.
#
# When qemu-arm is installed it becomes the emulator that runs ARM programs
# on the PC (test discovery, tools/arm_bench.sh).

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

if(NOT DEFINED KORVO_ARM_PREFIX AND DEFINED ENV{KORVO_ARM_PREFIX})
  set(KORVO_ARM_PREFIX "$ENV{KORVO_ARM_PREFIX}")
endif()
if(NOT DEFINED KORVO_ARM_SYSROOT AND DEFINED ENV{KORVO_ARM_SYSROOT})
  set(KORVO_ARM_SYSROOT "$ENV{KORVO_ARM_SYSROOT}")
endif()
set(KORVO_ARM_PREFIX "${KORVO_ARM_PREFIX}" CACHE STRING "Cross compiler prefix (arm-linux-gnueabi- or the console SDK's)")
if(KORVO_ARM_PREFIX STREQUAL "")
  set(KORVO_ARM_PREFIX "arm-linux-gnueabi-" CACHE STRING "" FORCE)
endif()
if(NOT KORVO_ARM_SYSROOT)
  get_filename_component(KORVO_ARM_SYSROOT "${CMAKE_CURRENT_LIST_DIR}/../build/sysroot-armel" ABSOLUTE)
endif()
set(KORVO_ARM_SYSROOT "${KORVO_ARM_SYSROOT}" CACHE PATH "Target root with libc and the SDL 1.2 libraries")
# try_compile projects read this file again: hand them the same choices.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KORVO_ARM_PREFIX KORVO_ARM_SYSROOT)

if(NOT EXISTS "${KORVO_ARM_SYSROOT}")
  message(FATAL_ERROR "No ARM sysroot at ${KORVO_ARM_SYSROOT}: run tools/arm_sysroot.sh, "
                      "or name the console SDK's root with -DKORVO_ARM_SYSROOT=DIR")
endif()

set(CMAKE_C_COMPILER "${KORVO_ARM_PREFIX}gcc")
set(CMAKE_CXX_COMPILER "${KORVO_ARM_PREFIX}g++")
set(CMAKE_SYSROOT "${KORVO_ARM_SYSROOT}")

# The Wiz's processor: ARM926EJ-S, no floating-point unit; ARM (not Thumb)
# code, as the firmware's libraries are.
set(CMAKE_C_FLAGS_INIT "-mcpu=arm926ej-s -marm -mfloat-abi=soft")
set(CMAKE_CXX_FLAGS_INIT "-mcpu=arm926ej-s -marm -mfloat-abi=soft")

set(CMAKE_FIND_ROOT_PATH "${KORVO_ARM_SYSROOT}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads the target's .pc files only, with paths inside the sysroot.
set(ENV{PKG_CONFIG_SYSROOT_DIR} "${KORVO_ARM_SYSROOT}")
set(ENV{PKG_CONFIG_LIBDIR}
  "${KORVO_ARM_SYSROOT}/usr/lib/arm-linux-gnueabi/pkgconfig:${KORVO_ARM_SYSROOT}/usr/lib/pkgconfig:${KORVO_ARM_SYSROOT}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

find_program(KORVO_QEMU_ARM qemu-arm)
if(KORVO_QEMU_ARM)
  # -cpu arm926: an instruction the console lacks stops the program here too.
  set(CMAKE_CROSSCOMPILING_EMULATOR "${KORVO_QEMU_ARM};-cpu;arm926;-L;${KORVO_ARM_SYSROOT}")
endif()
