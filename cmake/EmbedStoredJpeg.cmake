# Turns a JPEG file into a C++ source that holds it in the JPEG picture's
# stored form (a 4-byte little-endian length, then the JPEG bytes) and
# defines the function that returns those bytes:
#
#   cmake -DINPUT=picture.jpg -DOUTPUT=picture_data.cpp -DHEADER=folder/file.h
#         -DFUNCTION=Name -P EmbedStoredJpeg.cmake
#
# HEADER is the header that declares "std::string_view FUNCTION();" inside
# namespace vitrix. The output is rewritten only when its text changes, so
# an unchanged asset compiles nothing again.

foreach(variable INPUT OUTPUT HEADER FUNCTION)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "EmbedStoredJpeg.cmake needs -D${variable}=...")
  endif()
endforeach()

file(SIZE "${INPUT}" size)
if(size EQUAL 0 OR size GREATER 2147483647)
  message(FATAL_ERROR "${INPUT}: ${size} bytes do not fit a stored form")
endif()

# The length, lowest byte first.
set(bytes "")
foreach(shift 0 8 16 24)
  math(EXPR byte "(${size} >> ${shift}) & 0xFF" OUTPUT_FORMAT HEXADECIMAL)
  list(APPEND bytes "${byte}")
endforeach()
list(JOIN bytes ", " length)

# The JPEG bytes, sixteen to a line.
file(READ "${INPUT}" hex HEX)
string(REPEAT "[0-9a-f][0-9a-f]" 16 line_of_bytes)
string(REGEX REPLACE "(${line_of_bytes})" "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1, " hex "${hex}")
string(REGEX REPLACE " \n" "\n    " hex "${hex}")
string(STRIP "${hex}" hex)

get_filename_component(input_name "${INPUT}" NAME)
set(text "// Generated at build time from ${input_name} by cmake/EmbedStoredJpeg.cmake.

#include \"${HEADER}\"

namespace vitrix {
namespace {

const unsigned char kStored[] = {
    ${length},
    ${hex}
};

}  // namespace

std::string_view ${FUNCTION}() { return {reinterpret_cast<const char*>(kStored), sizeof kStored}; }

}  // namespace vitrix
")

file(WRITE "${OUTPUT}.new" "${text}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
