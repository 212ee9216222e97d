// Fast quit's texts in English, German and French (Windows code page 1252),
// in the language of the user when the IDE is installed in it.
#pragma once

namespace toravex {

enum class QuitTextKind { kMenuCaption, kWarning, kErrorQuestion };

// Settled by the first QuitText: 9 English, 7 German or 12 French; -1 before.
extern int QuitTextLanguage;

// The text for the current QuitTextLanguage (the first call settles it).
const char* QuitText(QuitTextKind kind);

// German (7) when the user's primary language is German and a file (not a
// directory) "dcc32.de" lies in the program's directory, French (12) for
// French and "dcc32.fra", else English (9).
int QuitTextLanguageFor(int primaryLanguage, const char* programDirectory);

}  // namespace toravex
