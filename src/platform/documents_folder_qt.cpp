// The documents folder as the XDG user directories name it (XDG_DOCUMENTS_DIR
// in ~/.config/user-dirs.dirs, ~/Documents otherwise), through Qt.
#include <QStandardPaths>

#include "platform/documents_folder.h"
#include "rtl/cp1252.h"
#include "rtl/exceptions.h"

namespace vitrix {
namespace {

class TXdgDocumentsFolder final : public IDocumentsFolder {
 public:
  std::string Path() override {
    return DocumentsPathFromSystem(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString());
  }
};

}  // namespace

std::string DocumentsPathFromSystem(const std::string& utf8_path) {
  if (auto converted = Utf8ToCp1252(utf8_path)) return *converted;
  throw EEncodingError(std::string(kDocumentsNameError) + Utf8ToCp1252Lossy(utf8_path));
}

std::unique_ptr<IDocumentsFolder> IDocumentsFolder::CreateSystem() { return std::make_unique<TXdgDocumentsFolder>(); }

}  // namespace vitrix
