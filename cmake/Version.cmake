# The suite's one version number. Every shipped binary carries it in its version resource:
# through lookout_version_resource() (a resource made from cmake/version.rc.in) or, for a
# program with resources of its own, by including "lookout_version.h" in its .rc file.
include_guard(GLOBAL)
set(LOOKOUT_VERSION 1.0.0.324)

string(REPLACE "." "," LOOKOUT_VERSION_COMMAS "${LOOKOUT_VERSION}")
set(LOOKOUT_GENERATED_DIR "${CMAKE_BINARY_DIR}/generated")
file(CONFIGURE OUTPUT "${LOOKOUT_GENERATED_DIR}/lookout_version.h" CONTENT [[
// Generated from cmake/Version.cmake: the suite's version for resource files.
#pragma once
#define LOOKOUT_VERSION_COMMAS @LOOKOUT_VERSION_COMMAS@
#define LOOKOUT_VERSION_TEXT "@LOOKOUT_VERSION@"
]] @ONLY)
if(WIN32)
  # windres sees the header wherever a target's .rc includes it.
  set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${LOOKOUT_GENERATED_DIR}")
endif()

# A version resource for TARGET (a DLL or program without a .rc of its own).
#   lookout_version_resource(target "description")
function(lookout_version_resource target description)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(LOOKOUT_FILETYPE VFT_APP)
  else()
    set(LOOKOUT_FILETYPE VFT_DLL)
  endif()
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  get_target_property(suffix ${target} SUFFIX)
  if(NOT suffix)
    if(type STREQUAL "EXECUTABLE")
      set(suffix .exe)
    else()
      set(suffix .dll)
    endif()
  endif()
  set(LOOKOUT_INTERNAL_NAME ${name})
  set(LOOKOUT_ORIGINAL_FILENAME ${name}${suffix})
  set(LOOKOUT_DESCRIPTION "${description}")
  set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc")
  configure_file("${CMAKE_SOURCE_DIR}/cmake/version.rc.in" "${rc}" @ONLY)
  target_sources(${target} PRIVATE "${rc}")
endfunction()
