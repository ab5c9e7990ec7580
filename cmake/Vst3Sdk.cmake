# The VST3 SDK: Debian ships SDK 3.7.2 inside juce-modules-source-data. A user with a full SDK
# checkout can point KORU_VST3_SDK_DIR at it instead.
set(KORU_VST3_SDK_DIR "/usr/share/juce/modules/juce_audio_processors/format_types/VST3_SDK"
    CACHE PATH "Root of the VST3 SDK (the folder holding base/, pluginterfaces/, public.sdk/)")
if(NOT EXISTS "${KORU_VST3_SDK_DIR}/pluginterfaces/base/funknown.h")
  message(FATAL_ERROR "No VST3 SDK at KORU_VST3_SDK_DIR=${KORU_VST3_SDK_DIR}; run scripts/install-deps")
endif()

set(_sdk "${KORU_VST3_SDK_DIR}")
add_library(koru_vst3_sdk STATIC
  ${_sdk}/base/source/baseiids.cpp
  ${_sdk}/base/source/fbuffer.cpp
  ${_sdk}/base/source/fdebug.cpp
  ${_sdk}/base/source/fobject.cpp
  ${_sdk}/base/source/fstreamer.cpp
  ${_sdk}/base/source/fstring.cpp
  ${_sdk}/base/source/updatehandler.cpp
  ${_sdk}/base/thread/source/flock.cpp
  ${_sdk}/pluginterfaces/base/conststringtable.cpp
  ${_sdk}/pluginterfaces/base/coreiids.cpp
  ${_sdk}/pluginterfaces/base/funknown.cpp
  ${_sdk}/pluginterfaces/base/ustring.cpp
  ${_sdk}/public.sdk/source/common/memorystream.cpp
  ${_sdk}/public.sdk/source/common/pluginview.cpp
  ${_sdk}/public.sdk/source/vst/vstbus.cpp
  ${_sdk}/public.sdk/source/vst/vstcomponent.cpp
  ${_sdk}/public.sdk/source/vst/vstcomponentbase.cpp
  ${_sdk}/public.sdk/source/vst/vsteditcontroller.cpp
  ${_sdk}/public.sdk/source/vst/vstinitiids.cpp
  ${_sdk}/public.sdk/source/vst/vstparameters.cpp)
# The SDK is not ours: keep its own warnings out of our build log.
target_compile_options(koru_vst3_sdk PRIVATE -w)
target_include_directories(koru_vst3_sdk SYSTEM PUBLIC "${_sdk}")
target_compile_definitions(koru_vst3_sdk PUBLIC RELEASE=1)
find_package(Threads REQUIRED)
target_link_libraries(koru_vst3_sdk PUBLIC Threads::Threads)
