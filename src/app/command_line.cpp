#include "app/command_line.h"

#include "publish/service_address.h"
#include "rtl/cp1252.h"

#ifndef VITRIX_VERSION
#error "VITRIX_VERSION is set by the build (the project's version)"
#endif

namespace vitrix {
namespace {

struct TOption {
  std::string_view Long;
  std::string_view Short;
  TStartAction Action;
};

constexpr TOption kOptions[] = {
    {"--help", "-h", TStartAction::saHelp},
    {"--version", "-V", TStartAction::saVersion},
};

std::string HelpText() {
  return "Utilisation : vitrix [OPTION]\n"
         "Pendant que la surveillance est active, vitrix prend la capture de la touche\n"
         "Impr. \xE9"
         "cran, permet d'en masquer ou d'en recadrer des parties, l'enregistre\n"
         "en JPEG et l'envoie \xE0 un h\xE9"
         "bergeur d'images selon l'action choisie, puis\n"
         "donne la balise [img]...[/img] \xE0 coller dans un forum.\n"
         "\n"
         "Options :\n"
         "  -h, --help     affiche cette aide et quitte\n"
         "  -V, --version  affiche la version et quitte\n"
         "\n"
         "Environnement :\n"
         "  VITRIX_SERVICE_URL  adresse de l'h\xE9"
         "bergeur d'images\n"
         "                      (sans elle : " +
         BuiltInServiceURL() +
         ")\n"
         "\n"
         "Les captures et le journal vitrix.log vont dans le dossier vitrix des\n"
         "Documents (en g\xE9n\xE9ral ~/Documents/vitrix/).\n"
         "vitrix a besoin d'une session X11 ou XWayland.\n";
}

std::string VersionText() { return "vitrix " VITRIX_VERSION "\nLogiciel libre sous licence MIT.\n"; }

TStartRequest UsageError(std::string_view what, std::string_view argument) {
  // The argument comes from the terminal in UTF-8.
  return {TStartAction::saUsageError, "vitrix : " + std::string(what) + " \xAB " + Utf8ToCp1252Lossy(argument) +
                                          " \xBB\n"
                                          "Essayez \xAB vitrix --help \xBB pour en savoir plus.\n"};
}

const TOption* FindOption(std::string_view argument) {
  for (const TOption& option : kOptions) {
    if (argument == option.Long || argument == option.Short) return &option;
  }
  return nullptr;
}

}  // namespace

TStartRequest ParseCommandLine(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument.size() < 2 || argument[0] != '-') return UsageError("argument inattendu", argument);
    const TOption* option = FindOption(argument);
    if (option == nullptr) return UsageError("option inconnue", argument);
    if (option->Action == TStartAction::saHelp) return {TStartAction::saHelp, HelpText()};
    if (option->Action == TStartAction::saVersion) return {TStartAction::saVersion, VersionText()};
  }
  return {};
}

std::string NoDisplayMessage(TXDisplayState state, std::string_view display) {
  const std::string need = "vitrix a besoin d'une session X11 ou XWayland.\n";
  if (state == TXDisplayState::xdUnset)
    return "vitrix : aucun affichage X (DISPLAY n'est pas d\xE9"
           "fini) ; " +
           need;
  return "vitrix : l'affichage X \xAB " + Utf8ToCp1252Lossy(display) + " \xBB ne r\xE9pond pas ; " + need;
}

}  // namespace vitrix
