#pragma once

#include "config/Language.h"
#include "layout/ReportLayout.h"

// The report's words through the program's translation: in the language of
// the translation installed (the interface's, in the windows), Turkish
// without one.
ReportTexts reportTexts();
// The report's words in a language, the program's translation installed
// while they are read (the companion, which shows no interface).
ReportTexts reportTexts(Language language);
