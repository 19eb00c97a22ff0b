#pragma once

// libjpeg's destination and source over the program's memory streams. Only
// the codec's own source files use them, inside a section (see
// jpeg_session.h): they allocate from the context, and a failed write ends
// the section with libjpeg error 37.

// libjpeg's contexts, known here only by name: jpeglib.h is included by the
// codec's source files alone.
struct jpeg_compress_struct;
struct jpeg_decompress_struct;

namespace vitrix {

class TMemoryStream;

namespace jpeg {

// A 4096-byte buffer that is appended to the stream whenever it is full,
// and its filled part at the end of the compression.
void UseStreamDestination(jpeg_compress_struct& info, TMemoryStream& stream);

// Refills of up to 4096 bytes from the stream's memory, from its start. An
// empty stream is error 42; running out later supplies an end-of-image
// marker, so that a truncated stream still ends.
void UseStreamSource(jpeg_decompress_struct& info, const TMemoryStream& stream);

}  // namespace jpeg
}  // namespace vitrix
