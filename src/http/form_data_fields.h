#pragma once

// The fields of a multipart form body, in the order they were added. Each
// field knows how many bytes its part adds to the body; that size is
// recomputed whenever its name, file name, content type or data changes.

#include <cstdint>
#include <memory>
#include <string>

#include "rtl/collections.h"

namespace vitrix {

class TStream;
class TNetMultiPartFormDataStream;

class TNetFormDataField : public TCollectionItem {
 public:
  explicit TNetFormDataField(TCollection* collection);
  ~TNetFormDataField() override;

  // Bytes this part contributes: header, data, and the CR LF after the data.
  int64_t PartSize() const { return part_size_; }
  // The size of the data when the part size was last computed; the body
  // never delivers more of the data than this.
  int64_t DataSize() const { return data_size_; }

  const std::string& FieldName() const { return field_name_; }
  void SetFieldName(std::string name);
  // The name written in the part header's filename parameter.
  const std::string& FileName() const { return file_name_; }
  void SetFileName(std::string name);
  const std::string& ContentType() const { return content_type_; }
  void SetContentType(std::string type);

  // The data of the part; owned (closed with the field) when owns is set.
  TStream* FieldStream() const { return stream_; }
  bool OwnsStream() const { return owned_stream_ != nullptr; }
  void SetFieldStream(TStream* stream);
  void SetFieldStream(std::unique_ptr<TStream> stream);

  // The part's header: delimiter line, Content-Disposition, Content-Type and
  // the empty line.
  std::string Header() const;

 private:
  void ComputePartSize();

  int64_t part_size_ = 0;
  int64_t data_size_ = 0;
  std::string file_name_;
  std::string content_type_;
  std::string field_name_;
  TStream* stream_ = nullptr;
  std::unique_ptr<TStream> owned_stream_;
};

class TNetFormDataFields : public TOwnedCollection<TNetFormDataField> {
 public:
  explicit TNetFormDataFields(TNetMultiPartFormDataStream* parent) : parent_(parent) {}

  TNetMultiPartFormDataStream* ParentStream() const { return parent_; }
  TNetFormDataField* Add() { return AddItem(); }

 private:
  TNetMultiPartFormDataStream* parent_;
};

}  // namespace vitrix
