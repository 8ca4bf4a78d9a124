# Each folder of src/ is a library of its own that sees only the layers it is
# declared on. Headers are staged per layer as links in the build tree, so a
# layer's include path holds its own headers and those of the layers below:
# an include against the layering does not find its header and fails to build.
#
#   keyloom_layer(NAME [DEPENDS lower layers...] [HEADERS public headers...]
#                 [INTERFACE internal headers...] [EXTRA sources...])
#
# HEADERS are paths or globs under include/keyloom/ (installed). INTERFACE
# names headers of src/NAME/ that the layers above may use (not installed);
# every other header of src/NAME/ and its subfolders is the layer's own.
# Internal headers reach the layers above privately, so the front ends, which
# link the whole library, see the installed headers only.

function(keyloom_stage_header Link Target)
  get_filename_component(Dir ${Link} DIRECTORY)
  file(MAKE_DIRECTORY ${Dir})
  file(CREATE_LINK ${Target} ${Link} SYMBOLIC)
endfunction()

function(keyloom_layer Name)
  cmake_parse_arguments(L "" "" "DEPENDS;HEADERS;INTERFACE;EXTRA" ${ARGN})
  set(Src ${PROJECT_SOURCE_DIR}/src/${Name})
  set(Stage ${PROJECT_BINARY_DIR}/layers/${Name})
  file(REMOVE_RECURSE ${Stage})

  set(Public)
  foreach(Pattern IN LISTS L_HEADERS)
    file(GLOB Found CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}/include
         ${PROJECT_SOURCE_DIR}/include/keyloom/${Pattern})
    if(NOT Found)
      message(FATAL_ERROR "layer ${Name}: no public header matches ${Pattern}")
    endif()
    foreach(Header IN LISTS Found)
      keyloom_stage_header(${Stage}/include/${Header} ${PROJECT_SOURCE_DIR}/include/${Header})
      list(APPEND Public ${Header})
    endforeach()
  endforeach()
  set_property(GLOBAL APPEND PROPERTY KEYLOOM_PUBLIC_HEADERS ${Public})

  file(GLOB_RECURSE Own CONFIGURE_DEPENDS RELATIVE ${Src} ${Src}/*.hpp)
  foreach(Header IN LISTS Own)
    if(Header IN_LIST L_INTERFACE)
      keyloom_stage_header(${Stage}/internal/${Name}/${Header} ${Src}/${Header})
    else()
      keyloom_stage_header(${Stage}/private/${Name}/${Header} ${Src}/${Header})
    endif()
  endforeach()
  foreach(Header IN LISTS L_INTERFACE)
    if(NOT Header IN_LIST Own)
      message(FATAL_ERROR "layer ${Name}: no header src/${Name}/${Header}")
    endif()
  endforeach()

  file(GLOB_RECURSE Sources CONFIGURE_DEPENDS ${Src}/*.cpp)
  set(Target keyloom_${Name})
  add_library(${Target} STATIC ${Sources} ${L_EXTRA})
  target_include_directories(${Target}
    PUBLIC $<BUILD_INTERFACE:${Stage}/include> $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>
    PRIVATE ${Stage}/private)
  target_compile_features(${Target} PUBLIC cxx_std_20)
  set(Direct)
  set(Below)
  foreach(Layer IN LISTS L_DEPENDS)
    if(NOT TARGET keyloom_${Layer})
      message(FATAL_ERROR "layer ${Name}: layer ${Layer} must be declared before it")
    endif()
    list(APPEND Direct keyloom_${Layer})
    get_property(Under GLOBAL PROPERTY KEYLOOM_BELOW_${Layer})
    list(APPEND Below ${Layer} ${Under})
  endforeach()
  list(REMOVE_DUPLICATES Below)
  set_property(GLOBAL PROPERTY KEYLOOM_BELOW_${Name} ${Below})
  foreach(Layer IN LISTS Below)
    target_include_directories(${Target} PRIVATE ${PROJECT_BINARY_DIR}/layers/${Layer}/internal)
  endforeach()
  target_include_directories(${Target} PRIVATE ${Stage}/internal)
  target_link_libraries(${Target} PUBLIC ${Direct} PRIVATE $<BUILD_INTERFACE:keyloom_warnings>)
  set_target_properties(${Target} PROPERTIES EXPORT_NAME ${Name} POSITION_INDEPENDENT_CODE ON)
  set_property(GLOBAL APPEND PROPERTY KEYLOOM_LAYERS ${Target})
endfunction()
