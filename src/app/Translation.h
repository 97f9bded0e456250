#pragma once

#include "config/Language.h"

// Shows the interface in a language from now on: the program's English
// translation (built into the program) and Qt's own texts for the language
// when the system has them. Windows built later show it; Turkish needs no
// translation of the program's texts. False when the translation is missing.
bool useLanguage(Language language);
