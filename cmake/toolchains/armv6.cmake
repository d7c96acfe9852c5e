# Linux on ARMv6. The hard-float toolchain's own libraries hold ARMv7 code,
# so this one uses the soft-float ABI, whose libraries stop at ARMv5TE, and
# still computes in the VFP unit.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armv6)
set(CMAKE_CXX_COMPILER arm-linux-gnueabi-g++)
set(CMAKE_CXX_FLAGS_INIT "-march=armv6 -mfpu=vfp -mfloat-abi=softfp -marm")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# ARMv6 has no 64-bit exclusive load and store: 64-bit atomics are calls.
set(CMAKE_CXX_STANDARD_LIBRARIES "-latomic")
