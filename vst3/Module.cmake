# The loadable module: a VST3 bundle in the build tree,
#   KORU.vst3/Contents/<architecture>/KORU<suffix>
#   KORU.vst3/Contents/Resources/moduleinfo.json
# Included from the top-level CMakeLists.txt after the koru library is complete.
# Platform-specific names sit in the block below; a Windows build supplies its own entry
# file (DllMain records the module handle) and export list beside the Linux ones.

set(KORU_MODULE_NAME "KORU")
set(KORU_MODULE_VERSION "${PROJECT_VERSION}")
# Must match the factory's records in vst3/KoruFactory.cpp and vst3/KoruClassId.h.
set(KORU_VENDOR "Quillmoor")
set(KORU_VENDOR_URL "https://quillmoor.example")
set(KORU_VENDOR_EMAIL "mailto:support@quillmoor.example")
set(KORU_CLASS_ID "F2AEE70D00DE4F4E516C6D724B525531")

if(WIN32)
  set(KORU_BUNDLE_ARCH "x86_64-win")
  set(KORU_MODULE_SUFFIX ".vst3")
  set(KORU_MODULE_ENTRY "${CMAKE_CURRENT_LIST_DIR}/ModuleEntryWin.cpp")
  set(KORU_MODULE_EXPORTS "${CMAKE_CURRENT_LIST_DIR}/KORU.def")
else()
  set(KORU_BUNDLE_ARCH "x86_64-linux")
  set(KORU_MODULE_SUFFIX ".so")
  set(KORU_MODULE_ENTRY "${CMAKE_CURRENT_LIST_DIR}/ModuleEntryLinux.cpp")
  set(KORU_MODULE_EXPORTS "${CMAKE_CURRENT_LIST_DIR}/KORU.map")
endif()

# The interface ids the SDK's own sources refer to belong in the SDK library: in a static
# link the SDK archive comes after koru, so ids defined in koru would be found too late.
set(_koru_sdk_ids "${CMAKE_CURRENT_LIST_DIR}/SdkInterfaceIds.cpp")
get_target_property(_koru_sources koru SOURCES)
list(REMOVE_ITEM _koru_sources "${_koru_sdk_ids}")
set_property(TARGET koru PROPERTY SOURCES ${_koru_sources})
target_sources(koru_vst3_sdk PRIVATE "${_koru_sdk_ids}")

set(KORU_BUNDLE_DIR "${CMAKE_BINARY_DIR}/KORU.vst3")
if(NOT EXISTS "${KORU_MODULE_ENTRY}")
  message(STATUS "No module entry for this platform yet (${KORU_MODULE_ENTRY}); module not built")
  return()
endif()

# Only the entry points leave the module; everything else binds inside it.
if(NOT WIN32)
  set_target_properties(koru koru_vst3_sdk PROPERTIES
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
endif()

add_library(KORU_module MODULE "${KORU_MODULE_ENTRY}")
target_link_libraries(KORU_module PRIVATE koru)
set_target_properties(KORU_module PROPERTIES
  OUTPUT_NAME "${KORU_MODULE_NAME}"
  PREFIX ""
  SUFFIX "${KORU_MODULE_SUFFIX}"
  LIBRARY_OUTPUT_DIRECTORY "${KORU_BUNDLE_DIR}/Contents/${KORU_BUNDLE_ARCH}"
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON
  LINK_DEPENDS "${KORU_MODULE_EXPORTS}")
target_link_options(KORU_module PRIVATE -Wl,--no-undefined)
if(WIN32)
  target_sources(KORU_module PRIVATE "${KORU_MODULE_EXPORTS}")
else()
  target_link_options(KORU_module PRIVATE "-Wl,--version-script=${KORU_MODULE_EXPORTS}")
endif()

configure_file("${CMAKE_CURRENT_LIST_DIR}/moduleinfo.json.in"
               "${KORU_BUNDLE_DIR}/Contents/Resources/moduleinfo.json" @ONLY)
# Binary releases carry the notices of the third-party code compiled into the module.
configure_file("${PROJECT_SOURCE_DIR}/THIRD-PARTY-NOTICES.txt"
               "${KORU_BUNDLE_DIR}/Contents/Resources/THIRD-PARTY-NOTICES.txt" COPYONLY)

# Installation, `cmake --install <build-dir>`:
# - with the default prefix (/usr/local, nothing given at configure time): into the
#   user's VST3 folder, $HOME/.vst3, where hosts look without root rights;
# - configured with -DCMAKE_INSTALL_PREFIX=<prefix>: into <prefix>/lib/vst3
#   (e.g. -DCMAKE_INSTALL_PREFIX=/usr for /usr/lib/vst3);
# - -DKORU_VST3_INSTALL_DIR=<dir> (absolute, or relative to the prefix) overrides both,
#   e.g. -DKORU_VST3_INSTALL_DIR=lib/vst3 for /usr/local/lib/vst3.
# The prefix is judged by its value, not by CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT,
# which CMake sets on the first configure of a build folder only.
if(NOT DEFINED KORU_VST3_INSTALL_DIR)
  if(NOT WIN32 AND CMAKE_INSTALL_PREFIX STREQUAL "/usr/local")
    set(KORU_VST3_INSTALL_DIR "$ENV{HOME}/.vst3")
  else()
    set(KORU_VST3_INSTALL_DIR "lib/vst3")
  endif()
endif()
install(DIRECTORY "${KORU_BUNDLE_DIR}" DESTINATION "${KORU_VST3_INSTALL_DIR}"
        USE_SOURCE_PERMISSIONS)
