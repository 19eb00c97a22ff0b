#include "rtl/system_error.h"

#include <cerrno>
#include <cstring>

#include "rtl/cp1252.h"

namespace vitrix {

std::string SysErrorMessage(int error_number) {
  switch (error_number) {
    case ENOENT:
      return "Le fichier sp\xE9"
             "cifi\xE9 est introuvable.";
    case EACCES:
    case EPERM: return "Acc\xE8s refus\xE9.";
    case EEXIST: return "Le fichier existe.";
    case ENOTDIR:
      return "Le chemin d'acc\xE8s sp\xE9"
             "cifi\xE9 est introuvable.";
    case EISDIR: return "Le chemin d\xE9signe un dossier.";
    case ENOSPC: return "Il n'y a pas assez d'espace sur le disque.";
    case EROFS:
      return "Le support est prot\xE9g\xE9 en \xE9"
             "criture.";
    case ENAMETOOLONG: return "Le nom de fichier est trop long.";
    case EMFILE:
    case ENFILE: return "Le syst\xE8me ne peut pas ouvrir le fichier.";
    case EBUSY:
    case EWOULDBLOCK:
      return "Le processus ne peut pas acc\xE9"
             "der au fichier car ce fichier est utilis\xE9 par un autre processus.";
    case EIO:
      return "Erreur d'entr\xE9"
             "e/sortie.";
    case EINVAL: return "Param\xE8tre incorrect.";
    case ENOTEMPTY: return "Le r\xE9pertoire n'est pas vide.";
    case EDQUOT: return "Quota de disque d\xE9pass\xE9.";
    case ELOOP: return "Trop de niveaux de liens symboliques.";
    default: break;
  }
  char buffer[256];
  // GNU strerror_r may return a static string instead of filling the buffer.
  const char* text = strerror_r(error_number, buffer, sizeof buffer);
  return Utf8ToCp1252Lossy(text);
}

}  // namespace vitrix
