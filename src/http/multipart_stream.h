#pragma once

// A "multipart/form-data" request body that produces its bytes on demand:
// the header of the current part is held as a short pending text and file
// contents go straight from the open file into the reader's buffer, so the
// body is never assembled in memory, whatever the size of the files. Its size
// is known in advance because every part's size is computed when it is
// added. Sizes are 64-bit.
//
// Each part is its header, the data and CR LF; after the last part comes
// "--", the boundary, "--" and CR LF. The CR LF after the data doubles as the
// start of the next delimiter, so a parser gets every file's bytes exactly.
//
// The stream reads forward only: seeking to 0 from the beginning rewinds it,
// other seeks only report the position or, from the end, the total size.

#include <cstdint>
#include <optional>
#include <string>

#include "http/form_data_fields.h"
#include "rtl/datetime.h"
#include "rtl/streams.h"

namespace vitrix {

class TNetMultiPartFormDataStream : public TStream {
 public:
  // The boundary is made from the local date and time now.
  TNetMultiPartFormDataStream();
  // The boundary is made from the given moment.
  explicit TNetMultiPartFormDataStream(const TDateTimeParts& moment);
  ~TNetMultiPartFormDataStream() override;

  // Eight hyphens, then month, day, two-digit year, hour, minute, second and
  // millisecond, zero-padded: 23 characters.
  static std::string MakeBoundary(const TDateTimeParts& moment);

  const std::string& Boundary() const { return boundary_; }
  // "multipart/form-data; boundary=" and the boundary: the request's
  // Content-Type.
  const std::string& BodyContentType() const { return content_type_; }
  TNetFormDataFields& Fields() { return fields_; }

  // Adds a file part. The file named by path is opened for reading, others
  // being denied writing to it (a shared lock, which writers that lock, as
  // this program's own do, respect), and stays open until the body is
  // released; its size is taken now. header_file_name is the name written in
  // the part header, the path as given by default. When the file cannot be
  // opened, EFOpenError is raised and the body is unchanged.
  void AddFileField(const std::string& field_name, const std::string& path, const std::string& content_type,
                    const std::optional<std::string>& header_file_name = std::nullopt);

  // The parts' sizes added up, the closing delimiter not included.
  int64_t BodySize() const;
  // "--", the boundary, "--", CR LF: 29 bytes.
  int64_t ClosingDelimiterLength() const { return static_cast<int64_t>(boundary_.size()) + 6; }

  int64_t Read(void* buffer, int64_t count) override;
  // Always raises "Unsupported operation.".
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;

 private:
  // Queues what comes next when nothing is pending: a part's header (and its
  // data source), or the closing delimiter. False once the body is exhausted.
  bool QueueNext();
  void TakePending(char* out, int64_t count, int64_t& done);

  TStream* current_file_ = nullptr;
  int64_t current_file_left_ = 0;
  std::string boundary_;
  std::string content_type_;
  int next_part_ = 0;
  bool started_ = false;
  std::string pending_;
  size_t pending_offset_ = 0;
  int64_t position_ = 0;
  TNetFormDataFields fields_;
};

}  // namespace vitrix
