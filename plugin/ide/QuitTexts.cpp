#include "ide/QuitTexts.h"

#include <windows.h>

#include <string>

#include "HostLayout.h"
#include "base/HostRuntime.h"
#include "base/Utils.h"

namespace toravex {

int QuitTextLanguage = -1;

namespace {

constexpr int kEnglish = 9, kGerman = 7, kFrench = 12;

// Menu caption, warning before terminating, question after an error.
const char* const kEnglishTexts[] = {
    "Close all and terminate process",
    "Terminating Delphi/BCB can leave some actions undone because OnDestroy and all finalization sections are not "
    "executed.",
    "An exception occured while quitting. Do you want to kill Delphi/BCB now?"};
const char* const kGermanTexts[] = {
    "Alles schlie" "\xDF" "en und Prozess beenden",
    "Durch \"Prozess beenden\" k" "\xF6" "nnen einige Aufgaben beim Beenden nicht durchgef" "\xFC" "hrt werden, da "
    "OnDestroy und alle finalization Abschnitte nicht ausgef" "\xFC" "hrt werden.",
    "Es trat eine Exception w" "\xE4" "hrend des Beendens auf. Soll der Prozess Delphi/BCB trotzdem beendet werden?"};
const char* const kFrenchTexts[] = {
    "Tout fermer et terminer le processus",
    "Terminer le processus de Delphi/BCB peut emp" "\xEA" "cher certaines actions de se terminer correctement car "
    "OnDestroy et les sections finalization ne seront pas ex" "\xE9" "cut" "\xE9" "es",
    "Une erreur s'est produite pendant la fermeture de Delphi/BCB. Voulez-vous terminer le processus ?"};

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int PrimaryLanguage() {
    auto* locale = static_cast<const hostabi::SysLocaleRec*>(FindHostExport(hostnames::Sysutils_SysLocale));
    return locale ? locale->priLangId : 0;
}

}  // namespace

int QuitTextLanguageFor(int primaryLanguage, const char* programDirectory) {
    std::string directory = programDirectory ? programDirectory : "";
    if (!directory.empty() && directory.back() != '\\') directory += '\\';
    if (primaryLanguage == kGerman && IsFile(directory + "dcc32.de")) return kGerman;
    if (primaryLanguage == kFrench && IsFile(directory + "dcc32.fra")) return kFrench;
    return kEnglish;
}

const char* QuitText(QuitTextKind kind) {
    if (QuitTextLanguage < 0) QuitTextLanguage = QuitTextLanguageFor(PrimaryLanguage(), ProgramDirectory.CStr());
    const char* const* texts = QuitTextLanguage == kFrench   ? kFrenchTexts
                               : QuitTextLanguage == kGerman ? kGermanTexts
                                                             : kEnglishTexts;
    return texts[static_cast<int>(kind)];
}

}  // namespace toravex
