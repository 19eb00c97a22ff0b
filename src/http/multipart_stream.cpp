#include "http/multipart_stream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "rtl/exceptions.h"
#include "rtl/file_stream.h"

namespace vitrix {
namespace {

constexpr std::string_view kLineBreak = "\r\n";

}  // namespace

TNetMultiPartFormDataStream::TNetMultiPartFormDataStream() : TNetMultiPartFormDataStream(NowParts()) {}

TNetMultiPartFormDataStream::TNetMultiPartFormDataStream(const TDateTimeParts& moment)
    : boundary_(MakeBoundary(moment)), content_type_("multipart/form-data; boundary=" + boundary_), fields_(this) {}

TNetMultiPartFormDataStream::~TNetMultiPartFormDataStream() = default;

std::string TNetMultiPartFormDataStream::MakeBoundary(const TDateTimeParts& moment) {
  char digits[32];
  std::snprintf(digits, sizeof digits, "%02d%02d%02d%02d%02d%02d%03d", moment.Month % 100, moment.Day % 100,
                moment.Year % 100, moment.Hour % 100, moment.Minute % 100, moment.Second % 100,
                moment.Millisecond % 1000);
  return std::string(8, '-') + digits;
}

void TNetMultiPartFormDataStream::AddFileField(const std::string& field_name, const std::string& path,
                                               const std::string& content_type,
                                               const std::optional<std::string>& header_file_name) {
  // Open first, so that a file that cannot be opened leaves no field behind.
  auto file = std::make_unique<TFileStream>(path, fmOpenRead | fmShareDenyWrite);
  TNetFormDataField* field = fields_.Add();
  field->SetFieldName(field_name);
  field->SetFileName(header_file_name.value_or(path));
  field->SetFieldStream(std::move(file));
  field->SetContentType(content_type);
}

int64_t TNetMultiPartFormDataStream::BodySize() const {
  int64_t size = 0;
  for (int i = 0; i < fields_.Count(); ++i) size += fields_.Items(i)->PartSize();
  return size;
}

bool TNetMultiPartFormDataStream::QueueNext() {
  pending_.clear();
  pending_offset_ = 0;
  const int count = fields_.Count();
  if (next_part_ < count) {
    const TNetFormDataField* field = fields_.Items(next_part_);
    pending_ = field->Header();
    current_file_ = field->FieldStream();
    current_file_left_ = field->DataSize();
    if (current_file_ != nullptr) {
      current_file_->SetPosition(0);
    } else {
      pending_.append(kLineBreak);
      ++next_part_;
    }
    return true;
  }
  if (next_part_ == count) {
    // The CR LF that ends the last part's data already starts the closing
    // delimiter; another one would become part of the last file's data.
    pending_.append("--").append(boundary_).append("--").append(kLineBreak);
    ++next_part_;
    return true;
  }
  return false;
}

void TNetMultiPartFormDataStream::TakePending(char* out, int64_t count, int64_t& done) {
  const auto n = std::min<int64_t>(static_cast<int64_t>(pending_.size() - pending_offset_), count - done);
  std::memcpy(out + done, pending_.data() + pending_offset_, static_cast<size_t>(n));
  pending_offset_ += static_cast<size_t>(n);
  done += n;
  position_ += n;
}

int64_t TNetMultiPartFormDataStream::Read(void* buffer, int64_t count) {
  if (!started_) {
    started_ = true;
    next_part_ = 0;
    pending_.clear();
    pending_offset_ = 0;
    current_file_ = nullptr;
  }
  auto* out = static_cast<char*>(buffer);
  int64_t done = 0;
  while (done < count) {
    if (pending_offset_ == pending_.size() && current_file_ == nullptr && !QueueNext()) break;
    if (pending_offset_ < pending_.size()) TakePending(out, count, done);
    if (current_file_ != nullptr && done < count) {
      // Never more than the size the part was counted with: a file that grew
      // since must not make the body longer than announced.
      const int64_t wanted = std::min(count - done, current_file_left_);
      const int64_t got = wanted > 0 ? current_file_->Read(out + done, wanted) : 0;
      done += got;
      position_ += got;
      current_file_left_ -= got;
      if (got < wanted || current_file_left_ == 0) {
        current_file_->SetPosition(0);
        current_file_ = nullptr;
        ++next_part_;
        pending_.assign(kLineBreak);
        pending_offset_ = 0;
      }
    }
  }
  return done;
}

int64_t TNetMultiPartFormDataStream::Write(const void*, int64_t) { throw Exception("Unsupported operation."); }

int64_t TNetMultiPartFormDataStream::Seek(int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case TSeekOrigin::soBeginning:
      if (offset != 0) return position_;
      started_ = false;
      position_ = 0;
      return 0;
    case TSeekOrigin::soCurrent: return position_;
    case TSeekOrigin::soEnd: return BodySize() + ClosingDelimiterLength();
  }
  return 0;
}

}  // namespace vitrix
