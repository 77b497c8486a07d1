# SPDX-License-Identifier: Apache-2.0
# Toolchain for building on x86-64 for 64-bit ARM with Debian's cross
# compilers and the :arm64 libraries. Target programs (the test runs, and
# the test lists read from the test programs) start through qemu-user.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(PKG_CONFIG_EXECUTABLE aarch64-linux-gnu-pkg-config CACHE FILEPATH "pkg-config for the target")
find_program(RIDEV_QEMU_AARCH64 NAMES qemu-aarch64-static qemu-aarch64)
if(RIDEV_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${RIDEV_QEMU_AARCH64}")
endif()
# Headers and libraries of the target only; programs (ppdc, cups-config) of
# the build machine.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
