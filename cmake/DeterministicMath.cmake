# koru_dmath: the exp, log and pow behind framework/DeterministicMath.h, compiled from source so that
# every platform runs the same instructions and renders the same bits. They are Arm's portable
# double-precision routines (BSD-3-Clause, Copyright (c) 2018 Arm Ltd) as shipped in newlib:
# plain C with + - * / and bit operations, no table lookups that depend on the CPU, no FMA.
# Debian ships the sources as a tarball (package newlib-source); only the eight files these three
# functions need are taken out of it, at configure time, into the build folder.

set(KORU_NEWLIB_TARBALL "/usr/src/newlib/newlib-3.3.0.tar.xz" CACHE FILEPATH
  "newlib source tarball (Debian package newlib-source) holding the exp, log and pow routines")

if(NOT EXISTS "${KORU_NEWLIB_TARBALL}")
  message(FATAL_ERROR
    "KORU's deterministic math is built from newlib's sources, but ${KORU_NEWLIB_TARBALL} is missing.\n"
    "Run scripts/install-deps (it installs the Debian package newlib-source), "
    "or point -DKORU_NEWLIB_TARBALL=... at a newlib 3.x source tarball.")
endif()

set(_dmath_member_dir "newlib-salsa/newlib/libm/common")
set(_dmath_files exp.c exp_data.c log.c log_data.c pow.c pow_log_data.c math_err.c math_config.h)
set(_dmath_root "${CMAKE_BINARY_DIR}/_deps/newlib-math")
set(_dmath_src "${_dmath_root}/${_dmath_member_dir}")

# Extract again only when the tarball changes (path or timestamp) or a file has gone missing.
file(TIMESTAMP "${KORU_NEWLIB_TARBALL}" _dmath_tar_time UTC)
set(_dmath_stamp_text "${KORU_NEWLIB_TARBALL} ${_dmath_tar_time}")
set(_dmath_stamp "${_dmath_root}/extracted.stamp")
set(_dmath_fresh FALSE)
if(EXISTS "${_dmath_stamp}")
  file(READ "${_dmath_stamp}" _dmath_old_stamp)
  if(_dmath_old_stamp STREQUAL _dmath_stamp_text)
    set(_dmath_fresh TRUE)
  endif()
endif()
set(_dmath_sources "")
set(_dmath_patterns "")
foreach(_f IN LISTS _dmath_files)
  list(APPEND _dmath_patterns "${_dmath_member_dir}/${_f}")
  if(NOT EXISTS "${_dmath_src}/${_f}")
    set(_dmath_fresh FALSE)
  endif()
  if(_f MATCHES "\\.c$")
    list(APPEND _dmath_sources "${_dmath_src}/${_f}")
  endif()
endforeach()
if(NOT _dmath_fresh)
  message(STATUS "Extracting newlib's exp, log and pow from ${KORU_NEWLIB_TARBALL}")
  file(REMOVE_RECURSE "${_dmath_root}")
  file(ARCHIVE_EXTRACT INPUT "${KORU_NEWLIB_TARBALL}" DESTINATION "${_dmath_root}"
    PATTERNS ${_dmath_patterns})
  foreach(_f IN LISTS _dmath_files)
    if(NOT EXISTS "${_dmath_src}/${_f}")
      message(FATAL_ERROR "${KORU_NEWLIB_TARBALL} has no ${_dmath_member_dir}/${_f}")
    endif()
  endforeach()
  file(WRITE "${_dmath_stamp}" "${_dmath_stamp_text}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${KORU_NEWLIB_TARBALL}")

if(CMAKE_C_FLAGS MATCHES "fast-math|march=native|Ofast")
  message(FATAL_ERROR "KORU must be built without -ffast-math, -Ofast or -march=native")
endif()

# pow.c comes in through newlib-shim/koru_dmath_pow.c, which adds 10^y on pow's own route; it,
# log.c and exp.c (through koru_dmath_log.c and koru_dmath_exp.c) add forms that work through
# whole arrays.
list(REMOVE_ITEM _dmath_sources "${_dmath_src}/pow.c" "${_dmath_src}/log.c" "${_dmath_src}/exp.c")
list(APPEND _dmath_sources "${CMAKE_CURRENT_LIST_DIR}/newlib-shim/koru_dmath_pow.c"
  "${CMAKE_CURRENT_LIST_DIR}/newlib-shim/koru_dmath_log.c"
  "${CMAKE_CURRENT_LIST_DIR}/newlib-shim/koru_dmath_exp.c")

add_library(koru_dmath STATIC ${_dmath_sources})
# Our shim fdlibm.h comes first; koru_dmath_names.h prefixes every symbol (see there).
target_include_directories(koru_dmath PRIVATE "${CMAKE_CURRENT_LIST_DIR}/newlib-shim" "${_dmath_src}")
target_compile_options(koru_dmath PRIVATE
  -include koru_dmath_names.h
  -O2
  -ffp-contract=off
  -fno-fast-math
  -fno-builtin
  -fno-math-errno
  -w)
target_compile_definitions(koru_dmath PRIVATE
  # Called on the audio thread: no errno writes. Special results stay right in every rounding mode.
  WANT_ERRNO=0
  WANT_ROUNDING=1
  # The generic code paths on every CPU: no fused multiply-add, no round-to-int instructions.
  HAVE_FAST_FMA=0
  HAVE_FAST_ROUND=0
  HAVE_FAST_LROUND=0
  TOINT_INTRINSICS=0)
set_target_properties(koru_dmath PROPERTIES
  POSITION_INDEPENDENT_CODE ON
  C_VISIBILITY_PRESET hidden)
