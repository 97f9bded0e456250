#include "print/ProgramTranslation.h"

#include <QString>
#include <QTranslator>

bool loadProgramTranslation(QTranslator& translator, Language language) {
    return translator.load(QStringLiteral(":/i18n/vrel_") +
                           QString::fromLatin1(languageCode(language)) + QStringLiteral(".qm"));
}
