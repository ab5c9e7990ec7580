# koru_png: libpng 1.6 built statically from Debian's libpng1.6 source package (with Debian's
# patches). The Windows module takes it so that it imports nothing but system DLLs (zlib then
# comes static from Debian's libz-mingw-w64-dev); the fuzzing build takes it so that libpng is
# instrumented along with our decoder. scripts/fetch-debian-source unpacks the package into the
# build folder at configure time, once; nothing of it is committed.

set(KORU_LIBPNG_SOURCE_DIR "" CACHE PATH
  "An unpacked libpng 1.6 source tree to build for Windows (empty: fetch Debian's libpng1.6 source package)")

function(_koru_find_libpng_tree root out)
  file(GLOB _candidates LIST_DIRECTORIES true "${root}/libpng1.6-*")
  set(_found "")
  foreach(_dir IN LISTS _candidates)
    if(EXISTS "${_dir}/png.c" AND EXISTS "${_dir}/scripts/pnglibconf.h.prebuilt")
      set(_found "${_dir}")
    endif()
  endforeach()
  set(${out} "${_found}" PARENT_SCOPE)
endfunction()

if(KORU_LIBPNG_SOURCE_DIR)
  set(_png_src "${KORU_LIBPNG_SOURCE_DIR}")
else()
  set(_png_root "${CMAKE_BINARY_DIR}/_deps/libpng-source")
  _koru_find_libpng_tree("${_png_root}" _png_src)
  if(NOT _png_src)
    message(STATUS "Fetching Debian's libpng1.6 source package into ${_png_root}")
    file(REMOVE_RECURSE "${_png_root}")
    execute_process(
      COMMAND "${PROJECT_SOURCE_DIR}/scripts/fetch-debian-source" libpng1.6 "${_png_root}"
      RESULT_VARIABLE _fetch_result)
    _koru_find_libpng_tree("${_png_root}" _png_src)
    if(NOT _fetch_result EQUAL 0 OR NOT _png_src)
      message(FATAL_ERROR
        "Could not fetch Debian's libpng1.6 source package (scripts/fetch-debian-source).\n"
        "It needs the Debian mirror and dpkg-dev (scripts/install-deps --windows), or point "
        "-DKORU_LIBPNG_SOURCE_DIR=... at an unpacked libpng 1.6 source tree.")
    endif()
  endif()
endif()
if(NOT EXISTS "${_png_src}/png.c")
  message(FATAL_ERROR "${_png_src} is not a libpng source tree")
endif()
message(STATUS "libpng for Windows from ${_png_src}")

# The public headers beside the prebuilt configuration (everything on, no assembler paths).
set(_png_include "${CMAKE_BINARY_DIR}/_deps/libpng-include")
configure_file("${_png_src}/png.h" "${_png_include}/png.h" COPYONLY)
configure_file("${_png_src}/pngconf.h" "${_png_include}/pngconf.h" COPYONLY)
configure_file("${_png_src}/scripts/pnglibconf.h.prebuilt" "${_png_include}/pnglibconf.h" COPYONLY)

set(_png_sources "")
foreach(_f png pngerror pngget pngmem pngpread pngread pngrio pngrtran pngrutil pngset pngtrans
           pngwio pngwrite pngwtran pngwutil)
  list(APPEND _png_sources "${_png_src}/${_f}.c")
endforeach()

add_library(koru_png STATIC ${_png_sources})
target_include_directories(koru_png PUBLIC "${_png_include}")
target_include_directories(koru_png PRIVATE "${_png_src}")
# Plain C code paths only: no hand-written SIMD filters, the same on every processor.
target_compile_definitions(koru_png PRIVATE PNG_INTEL_SSE_OPT=0 PNG_ARM_NEON_OPT=0)
target_compile_options(koru_png PRIVATE -O2 -w)
if(WIN32)
  find_library(KORU_MINGW_ZLIB NAMES libz.a REQUIRED
    DOC "zlib for MinGW, static (Debian package libz-mingw-w64-dev)")
  find_path(KORU_MINGW_ZLIB_INCLUDE zlib.h REQUIRED)
  target_include_directories(koru_png PUBLIC "${KORU_MINGW_ZLIB_INCLUDE}")
  target_link_libraries(koru_png PUBLIC "${KORU_MINGW_ZLIB}")
else()
  find_package(ZLIB REQUIRED)
  target_link_libraries(koru_png PUBLIC ZLIB::ZLIB)
endif()
