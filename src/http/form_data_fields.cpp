#include "http/form_data_fields.h"

#include "http/multipart_stream.h"
#include "rtl/streams.h"

namespace vitrix {

TNetFormDataField::TNetFormDataField(TCollection* collection) : TCollectionItem(collection) { ComputePartSize(); }

TNetFormDataField::~TNetFormDataField() = default;

void TNetFormDataField::SetFieldName(std::string name) {
  field_name_ = std::move(name);
  ComputePartSize();
}

void TNetFormDataField::SetFileName(std::string name) {
  file_name_ = std::move(name);
  ComputePartSize();
}

void TNetFormDataField::SetContentType(std::string type) {
  content_type_ = std::move(type);
  ComputePartSize();
}

void TNetFormDataField::SetFieldStream(TStream* stream) {
  owned_stream_.reset();
  stream_ = stream;
  ComputePartSize();
}

void TNetFormDataField::SetFieldStream(std::unique_ptr<TStream> stream) {
  owned_stream_ = std::move(stream);
  stream_ = owned_stream_.get();
  ComputePartSize();
}

std::string TNetFormDataField::Header() const {
  std::string boundary;
  if (const auto* fields = dynamic_cast<const TNetFormDataFields*>(Collection()); fields && fields->ParentStream()) {
    boundary = fields->ParentStream()->Boundary();
  }
  std::string header;
  header.reserve(120 + boundary.size() + field_name_.size() + file_name_.size() + content_type_.size());
  header.append("--").append(boundary).append("\r\n");
  header.append("Content-Disposition: form-data; name=\"").append(field_name_).append("\"");
  header.append("; filename=\"").append(file_name_).append("\"\r\n");
  header.append("Content-Type: ").append(content_type_).append("\r\n");
  header.append("\r\n");
  return header;
}

void TNetFormDataField::ComputePartSize() {
  data_size_ = stream_ != nullptr ? stream_->Size() : 0;
  part_size_ = static_cast<int64_t>(Header().size()) + data_size_ + 2;
}

}  // namespace vitrix
