#include "app/Translation.h"

#include "print/ProgramTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool useLanguage(Language language) {
    static QTranslator program;
    static QTranslator qt;
    QCoreApplication::removeTranslator(&program);
    QCoreApplication::removeTranslator(&qt);
    const QString code = QString::fromLatin1(languageCode(language));
    // Qt's dialogs and standard buttons in the same language, where installed
    if (qt.load(QStringLiteral("qtbase_") + code,
                QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qt);
    if (language != Language::Turkish) {
        if (!loadProgramTranslation(program, language)) {
            setInterfaceLanguage(Language::Turkish);
            return false;
        }
        QCoreApplication::installTranslator(&program);
    }
    setInterfaceLanguage(language);
    return true;
}
