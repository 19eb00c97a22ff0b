# Cross-cutting build settings, carried by two INTERFACE targets that every
# target links: one for warnings, one for the sanitizers.

# The warnings every target is built with. Narrowing, sign changes, C casts
# and shadowed names are all reported; where a narrowing is meant, the code
# says so with a cast or with rtl/checked_cast.h. Third-party headers (Qt,
# GoogleTest, libjpeg, xcb) come through imported targets or the system's
# include folder, so their warnings are not ours.
#
# Warnings turn into errors only when asked for with VITRIX_WERROR, as make
# test, make asan, make fuzz and CI do: a user's build must never fail
# because a newer or older compiler warns about something new.
option(VITRIX_WERROR "Treat warnings as errors" OFF)

add_library(vitrix_warnings INTERFACE)
add_library(vitrix::warnings ALIAS vitrix_warnings)
target_compile_options(vitrix_warnings INTERFACE
  -Wall -Wextra -Wconversion -Wsign-conversion -Wold-style-cast -Wnon-virtual-dtor
  -Woverloaded-virtual -Wnull-dereference -Wformat=2 -Wimplicit-fallthrough)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(vitrix_warnings INTERFACE -Wshadow -Wduplicated-cond -Wlogical-op)
elseif(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  # Clang's -Wshadow leaves out parameters that shadow members, which GCC's
  # reports; -Wshadow-all has them. Clang has no -Wduplicated-cond nor
  # -Wlogical-op.
  target_compile_options(vitrix_warnings INTERFACE -Wshadow-all)
endif()
if(VITRIX_WERROR)
  target_compile_options(vitrix_warnings INTERFACE -Werror)
endif()

add_library(vitrix_sanitizers INTERFACE)
add_library(vitrix::sanitizers ALIAS vitrix_sanitizers)
if(VITRIX_SANITIZE)
  target_compile_options(vitrix_sanitizers INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(vitrix_sanitizers INTERFACE -fsanitize=address,undefined)
endif()
if(VITRIX_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "VITRIX_FUZZ needs clang: configure with CC=clang CXX=clang++")
  endif()
  # Every library gets coverage instrumentation; the fuzz targets add the
  # libFuzzer driver themselves.
  target_compile_options(vitrix_sanitizers INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -DVITRIX_FUZZING=1)
  target_link_options(vitrix_sanitizers INTERFACE -fsanitize=address,undefined)
endif()

# vitrix_add_library(<folder> [QT] SOURCES ... DEPS ...)
# One static library per source folder, named vitrix_<folder> with the alias
# vitrix::<folder>; headers are included as "<folder>/<file>.h". QT turns on
# Qt's meta-object compiler for the folder.
function(vitrix_add_library folder)
  cmake_parse_arguments(ARG "QT" "" "SOURCES;DEPS" ${ARGN})
  add_library(vitrix_${folder} STATIC ${ARG_SOURCES})
  if(ARG_QT)
    set_target_properties(vitrix_${folder} PROPERTIES AUTOMOC ON)
  endif()
  add_library(vitrix::${folder} ALIAS vitrix_${folder})
  target_include_directories(vitrix_${folder} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(vitrix_${folder} PUBLIC ${ARG_DEPS} vitrix::warnings vitrix::sanitizers)
endfunction()
