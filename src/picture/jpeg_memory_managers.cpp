#include "picture/jpeg_memory_managers.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

#include "picture/jpeg_session.h"
#include "rtl/streams.h"

namespace vitrix::jpeg {
namespace {

constexpr size_t kBufferSize = 4096;

// ----- Destination

struct TDestination {
  jpeg_destination_mgr pub;
  TMemoryStream* stream;
  JOCTET* buffer;
};

TDestination& DestinationOf(j_compress_ptr info) { return *reinterpret_cast<TDestination*>(info->dest); }

void WriteOrFail(j_compress_ptr info, const JOCTET* data, size_t count) {
  int64_t written = -1;
  try {
    written = DestinationOf(info).stream->Write(data, static_cast<int64_t>(count));
  } catch (...) {
    written = -1;  // out of memory: reported as the failed write below
  }
  if (written != static_cast<int64_t>(count)) Fail(*reinterpret_cast<j_common_ptr>(info), JERR_FILE_WRITE);
}

void InitDestination(j_compress_ptr info) {
  TDestination& dest = DestinationOf(info);
  dest.buffer =
      static_cast<JOCTET*>((*info->mem->alloc_small)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE, kBufferSize));
  dest.pub.next_output_byte = dest.buffer;
  dest.pub.free_in_buffer = kBufferSize;
}

boolean EmptyOutputBuffer(j_compress_ptr info) {
  TDestination& dest = DestinationOf(info);
  WriteOrFail(info, dest.buffer, kBufferSize);
  dest.pub.next_output_byte = dest.buffer;
  dest.pub.free_in_buffer = kBufferSize;
  return TRUE;
}

void TermDestination(j_compress_ptr info) {
  TDestination& dest = DestinationOf(info);
  const size_t filled = kBufferSize - dest.pub.free_in_buffer;
  if (filled > 0) WriteOrFail(info, dest.buffer, filled);
}

// ----- Source

struct TSource {
  jpeg_source_mgr pub;
  const TMemoryStream* stream;
  size_t offset;
  bool first_fill;
  JOCTET* buffer;
};

TSource& SourceOf(j_decompress_ptr info) { return *reinterpret_cast<TSource*>(info->src); }

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr info) {
  TSource& src = SourceOf(info);
  const auto size = static_cast<size_t>(src.stream->View().size());
  const size_t count = std::min(kBufferSize, size - std::min(size, src.offset));
  if (count == 0) {
    if (src.first_fill) Fail(*reinterpret_cast<j_common_ptr>(info), JERR_INPUT_EMPTY);
    WARNMS(info, JWRN_JPEG_EOF);
    src.buffer[0] = 0xFF;
    src.buffer[1] = JPEG_EOI;
    src.pub.next_input_byte = src.buffer;
    src.pub.bytes_in_buffer = 2;
  } else {
    std::memcpy(src.buffer, src.stream->View().data() + src.offset, count);
    src.offset += count;
    src.pub.next_input_byte = src.buffer;
    src.pub.bytes_in_buffer = count;
  }
  src.first_fill = false;
  return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count) {
  if (count <= 0) return;
  TSource& src = SourceOf(info);
  auto remaining = static_cast<size_t>(count);
  while (remaining > src.pub.bytes_in_buffer) {
    remaining -= src.pub.bytes_in_buffer;
    FillInputBuffer(info);
  }
  src.pub.next_input_byte += remaining;
  src.pub.bytes_in_buffer -= remaining;
}

void TermSource(j_decompress_ptr) {}

}  // namespace

void UseStreamDestination(jpeg_compress_struct& info, TMemoryStream& stream) {
  auto* common = reinterpret_cast<j_common_ptr>(&info);
  auto* dest = static_cast<TDestination*>((*info.mem->alloc_small)(common, JPOOL_PERMANENT, sizeof(TDestination)));
  dest->pub.init_destination = InitDestination;
  dest->pub.empty_output_buffer = EmptyOutputBuffer;
  dest->pub.term_destination = TermDestination;
  dest->stream = &stream;
  dest->buffer = nullptr;
  info.dest = &dest->pub;
}

void UseStreamSource(jpeg_decompress_struct& info, const TMemoryStream& stream) {
  auto* common = reinterpret_cast<j_common_ptr>(&info);
  auto* src = static_cast<TSource*>((*info.mem->alloc_small)(common, JPOOL_PERMANENT, sizeof(TSource)));
  src->buffer = static_cast<JOCTET*>((*info.mem->alloc_small)(common, JPOOL_PERMANENT, kBufferSize));
  src->pub.init_source = InitSource;
  src->pub.fill_input_buffer = FillInputBuffer;
  src->pub.skip_input_data = SkipInputData;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = TermSource;
  src->pub.next_input_byte = nullptr;
  src->pub.bytes_in_buffer = 0;
  src->stream = &stream;
  src->offset = 0;
  src->first_fill = true;
  info.src = &src->pub;
}

}  // namespace vitrix::jpeg
