#include "app/journal.h"

#include <cerrno>

#include "platform/clock.h"
#include "rtl/datetime.h"
#include "rtl/exceptions.h"
#include "rtl/file_stream.h"
#include "rtl/files.h"
#include "rtl/system_error.h"

namespace vitrix {

TJournal::TJournal() = default;
TJournal::~TJournal() = default;

void TJournal::Open(const std::string& path) {
  Close();
  if (FileExists(path)) {
    file_ = std::make_unique<TFileStream>(path, fmOpenWrite | fmAppend | fmShareExclusive);
  } else {
    file_ = std::make_unique<TFileStream>(path, fmCreate);
  }
}

void TJournal::Close() { file_.reset(); }

void TJournal::WriteLine(std::string_view line) {
  if (!file_) throw EInOutError(EBADF, "Fichier non ouvert");
  const std::string bytes = std::string(line) + "\r\n";
  // The file stream writes straight to the file: there is no buffer to flush.
  std::size_t done = 0;
  while (done < bytes.size()) {
    errno = 0;
    const int64_t n = file_->Write(bytes.data() + done, static_cast<int64_t>(bytes.size() - done));
    if (n <= 0) {
      const int error = errno != 0 ? errno : EIO;
      throw EInOutError(error,
                        "Erreur d'\xE9"
                        "criture dans le fichier \"" +
                            file_->FileName() + "\". " + SysErrorMessage(error));
    }
    done += static_cast<std::size_t>(n);
  }
}

void TJournal::WriteStampedLine(std::string_view text) { WriteLine(StampedLine(text, Clock().Now())); }

std::string StampedLine(std::string_view text, double local_time) {
  return std::string(text) + ShortDateText(local_time) + " A " + LongTimeText(local_time);
}

}  // namespace vitrix
