# GoogleTest for the Windows cross-build. Debian's googletest package ships the sources in
# /usr/src/googletest but no MinGW libraries, so they are built here with the cross compiler. The
# targets keep the names find_package(GTest) gives on Linux: GTest::gtest, GTest::gmock,
# GTest::gtest_main, GTest::gmock_main.
set(KORU_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources for the cross-build")
if(NOT EXISTS "${KORU_GTEST_SOURCE_DIR}/CMakeLists.txt")
  message(FATAL_ERROR "No GoogleTest sources at ${KORU_GTEST_SOURCE_DIR}; run scripts/install-deps")
endif()
if(NOT TARGET GTest::gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory("${KORU_GTEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
endif()
