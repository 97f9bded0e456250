#pragma once

#include "config/Language.h"

class QTranslator;

// Loads the program's own translation for a language into translator: built
// into both programs from the .qm files here, so the window and the companion
// read the same. False when there is none; Turkish needs none, its texts are
// the program's own.
bool loadProgramTranslation(QTranslator& translator, Language language);
