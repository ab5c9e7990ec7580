# The editor's images inside the module, so that opening the editor reads no file and a copied
# bundle keeps its pictures. Included from the top-level CMakeLists.txt after the koru library
# exists. resources/KORU.rc is the one list of resource ids and files:
# - Windows: windres compiles it into "PNG" resources of every program and module that links
#   koru (the module itself, and the test programs that decode the same images);
# - Linux: cmake/EmbedImages.cmake turns the same list into a compiled-in table.
set(_koru_rc "${CMAKE_CURRENT_LIST_DIR}/KORU.rc")
file(GLOB _koru_images CONFIGURE_DEPENDS "${CMAKE_CURRENT_LIST_DIR}/img/*.png")

if(WIN32)
  add_library(koru_images OBJECT "${_koru_rc}")
  # windres looks for the files the .rc names in its include folders.
  target_include_directories(koru_images PRIVATE "${CMAKE_CURRENT_LIST_DIR}")
  set_source_files_properties("${_koru_rc}" PROPERTIES OBJECT_DEPENDS "${_koru_images}")
  target_sources(koru INTERFACE $<TARGET_OBJECTS:koru_images>)
else()
  set(_koru_embedded "${CMAKE_BINARY_DIR}/generated/EmbeddedImages.cpp")
  add_custom_command(
    OUTPUT "${_koru_embedded}"
    COMMAND ${CMAKE_COMMAND} -DRC=${_koru_rc} -DOUT=${_koru_embedded}
            -P "${PROJECT_SOURCE_DIR}/cmake/EmbedImages.cmake"
    DEPENDS "${_koru_rc}" ${_koru_images} "${PROJECT_SOURCE_DIR}/cmake/EmbedImages.cmake"
    COMMENT "Embedding the editor's images"
    VERBATIM)
  target_sources(koru PRIVATE "${_koru_embedded}")
endif()
