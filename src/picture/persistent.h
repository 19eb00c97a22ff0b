#pragma once

// The copy rule shared by pictures and the clipboard: an object asked to copy
// a source it does not know asks the source to copy itself into it; a source
// that does not know the destination either gives EConvertError.

namespace vitrix {

class TPersistent {
 public:
  TPersistent() = default;
  TPersistent(const TPersistent&) = delete;
  TPersistent& operator=(const TPersistent&) = delete;
  virtual ~TPersistent() = default;

  virtual const char* ClassName() const = 0;

  // Makes this object a copy of source.
  virtual void CopyFrom(TPersistent& source) { source.CopyTo(*this); }
  // Copies this object into destination; raises EConvertError
  // "Impossible d'affecter <source> à <destination>" when it cannot.
  virtual void CopyTo(TPersistent& destination);
};

}  // namespace vitrix
