# Compiler settings shared by every target, and the module helper.

add_library(lumo_options INTERFACE)
target_compile_options(lumo_options INTERFACE -Wall -Wextra -Werror)
target_compile_definitions(lumo_options INTERFACE LUMO_VERSION="${PROJECT_VERSION}")
target_include_directories(lumo_options INTERFACE ${PROJECT_SOURCE_DIR}/src)

if(WIN32)
  target_compile_definitions(lumo_options INTERFACE
    UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)
  # One self-contained executable: no libstdc++/libgcc/winpthread DLLs beside it.
  target_link_options(lumo_options INTERFACE -static -static-libgcc -static-libstdc++)
elseif(LUMO_FUZZ)
  # The modules' own code must carry coverage instrumentation, or libFuzzer sees only the
  # target's few lines and cannot steer into the parsers.
  target_compile_options(lumo_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined)
  target_link_options(lumo_options INTERFACE -fsanitize=address,undefined)
elseif(LUMO_TSAN)
  set(lumo_san -fsanitize=thread -fno-omit-frame-pointer)
  target_compile_options(lumo_options INTERFACE ${lumo_san})
  target_link_options(lumo_options INTERFACE ${lumo_san})
elseif(LUMO_SANITIZE)
  set(lumo_san -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_compile_options(lumo_options INTERFACE ${lumo_san})
  target_link_options(lumo_options INTERFACE ${lumo_san})
endif()

# Every module is an OBJECT library: services and configuration variables register
# themselves from static objects, and a static archive would let the linker drop them.
# Sources ending in _win32/_posix are the platform seam; the other one is left out.
set_property(GLOBAL PROPERTY LUMO_MODULES "")

function(lumo_module name)
  cmake_parse_arguments(arg "" "EXCLUDE" "DEPENDS;LIBS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  if(WIN32)
    list(FILTER srcs EXCLUDE REGEX "_posix\\.(cpp|c)$")
  else()
    list(FILTER srcs EXCLUDE REGEX "_win32\\.(cpp|c)$")
  endif()
  if(arg_EXCLUDE)
    list(FILTER srcs EXCLUDE REGEX "${arg_EXCLUDE}")
  endif()
  add_library(lumo_${name} OBJECT ${srcs})
  target_link_libraries(lumo_${name} PUBLIC lumo_options ${arg_LIBS})
  foreach(dep IN LISTS arg_DEPENDS)
    target_link_libraries(lumo_${name} PUBLIC lumo_${dep})
  endforeach()
  set_property(GLOBAL APPEND PROPERTY LUMO_MODULES ${name})
endfunction()

# Links the objects of every module registered so far (object files of OBJECT
# libraries only reach targets that name them directly).
function(lumo_link_modules target)
  get_property(mods GLOBAL PROPERTY LUMO_MODULES)
  foreach(m IN LISTS mods)
    target_link_libraries(${target} PRIVATE lumo_${m})
  endforeach()
endfunction()
