# Warnings as errors for the project's own code (third-party code is built elsewhere).
function(lookout_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wno-unused-parameter)
endfunction()

if(WIN32)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0600 STRSAFE_NO_DEPRECATE)
endif()

if(LOOKOUT_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()


if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(LOOKOUT_PE_FORMAT pei-x86-64)
else()
  set(LOOKOUT_PE_FORMAT pei-i386)
endif()
# The suite's own libraries (and the vendor library) a binary may import besides Windows' own.
set(LOOKOUT_OWN_DLLS lantern tremor rookery veneer netclient)

# A test that the built binary is of this build's architecture and carries no MinGW or
# third-party DLL: a shipped file must run on a bare Windows with only the suite beside it.
function(lookout_binary_check target)
  if(NOT WIN32)
    return()
  endif()
  add_test(NAME ${target}_binary_check
    COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP} -DFILE=$<TARGET_FILE:${target}>
            -DFORMAT=${LOOKOUT_PE_FORMAT} "-DALLOW=${LOOKOUT_OWN_DLLS}"
            -P ${CMAKE_SOURCE_DIR}/cmake/check-binary.cmake)
endfunction()

# A Windows DLL whose exports are the plain (decorated C++) names the callers import.
function(lookout_dll target)
  set_target_properties(${target} PROPERTIES PREFIX "" IMPORT_PREFIX "")
  lookout_binary_check(${target})
endfunction()
