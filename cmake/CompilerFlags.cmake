# Flags for our own code. Results must be the same bits on every build and platform:
# no contraction into fused multiply-add, no fast-math, generic x86-64 code.
add_library(koru_flags INTERFACE)
target_compile_options(koru_flags INTERFACE
  -Wall -Wextra
  -ffp-contract=off
  -fno-fast-math)
# MinGW's GCC keeps the stack aligned to 16 bytes only, yet spills 256- and 512-bit vectors with
# aligned moves. The assembler writes every aligned vector move as its unaligned twin (the same
# speed on aligned data), so the AVX and AVX-512 paths run on Windows too.
if(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(koru_flags INTERFACE -Wa,-muse-unaligned-vector-move)
  target_compile_definitions(koru_flags INTERFACE KORU_UNALIGNED_VECTOR_MOVES=1)
endif()
# Bit-exactness relies on strict IEEE semantics; refuse builds that ask otherwise.
if(CMAKE_CXX_FLAGS MATCHES "fast-math|march=native|Ofast")
  message(FATAL_ERROR "KORU must be built without -ffast-math, -Ofast or -march=native")
endif()
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG")
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG")

# Sanitizer builds apply to every target, the SDK included, so that the ABI matches.
if(KORU_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()
if(KORU_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
if(KORU_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
