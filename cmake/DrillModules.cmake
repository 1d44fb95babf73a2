# The folders of src/ are modules with one-way dependencies:
#
#   platform  <-  coding, pictures  <-  drill  <-  window
#
# Each is a library of its own. A module's sources see only its own headers
# and those of the modules it may use: its include root holds links to those
# folders and no others, so an include that points the wrong way fails to
# compile ("drill/drill.h: No such file or directory").

option(DRILL_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)

# Warnings of the program's own code; tests and tools take the common set.
function(drill_warnings target)
  cmake_parse_arguments(W "STRICT" "" "" ${ARGN})
  set(flags -Wall -Wextra)
  if(W_STRICT)
    list(APPEND flags -Wconversion -Wsign-conversion -Wshadow -Wnon-virtual-dtor)
  endif()
  # GCC's flow analysis gives false alarms on the sanitizers' instrumented
  # code (in std::regex and std::function, for one).
  if(DRILL_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    list(APPEND flags -Wno-maybe-uninitialized)
  endif()
  if(DRILL_WARNINGS_AS_ERRORS)
    list(APPEND flags -Werror)
  endif()
  target_compile_options(${target} PRIVATE ${flags})
endfunction()

# The usual hardening of a distribution's binaries, where the sanitizers
# and the fuzzer do not bring their own.
function(drill_hardening target)
  if(DRILL_SANITIZE OR DRILL_FUZZ)
    return()
  endif()
  target_compile_options(${target} PRIVATE -fstack-protector-strong
    $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
  if(WIN32)
    # Windows' C library has no stack-protector or fortify functions: GCC's
    # own library brings them, into whatever links this target.
    target_link_libraries(${target} PUBLIC ssp)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    if(WIN32)
      # Windows has no relro; it has address-space randomisation and
      # no-execute data, which these ask for (tools/check-windows-exe shows them).
      target_link_options(${target} PRIVATE -Wl,--dynamicbase -Wl,--nxcompat -Wl,--high-entropy-va)
    else()
      target_link_options(${target} PRIVATE -Wl,-z,relro -Wl,-z,now)
    endif()
  endif()
endfunction()

# drill_module(<folder> SOURCES <files...> [USES <folders...>] [LIBRARIES <targets...>])
# USES names every module the folder may include, directly or through
# another module's headers.
function(drill_module folder)
  cmake_parse_arguments(M "" "" "SOURCES;USES;LIBRARIES" ${ARGN})
  set(target drill_${folder})
  add_library(${target} STATIC ${M_SOURCES})
  set(root ${CMAKE_BINARY_DIR}/include-roots/${folder})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root})
  foreach(visible ${folder} ${M_USES})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${visible} ${root}/${visible} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PRIVATE ${root})
  foreach(used ${M_USES})
    target_link_libraries(${target} PUBLIC drill_${used})
  endforeach()
  if(M_LIBRARIES)
    target_link_libraries(${target} PUBLIC ${M_LIBRARIES})
  endif()
  drill_warnings(${target} STRICT)
  drill_hardening(${target})
endfunction()
