#include "PdfOutput.h"

#include "CliCommon.h"

#include <QGuiApplication>
#include <QPdfWriter>
#include <QSaveFile>

#include <iostream>

int writePdf(std::string_view command, const std::string& out,
             const std::function<bool(QPdfWriter& writer, QString* error)>& draw) {
    // Fonts need a GUI application; no display is needed for a PDF.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "vrel-cli";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);

    QSaveFile file(QString::fromStdString(out));
    if (!file.open(QIODevice::WriteOnly)) {
        std::cerr << "vrel-cli " << command << ": cannot create " << out << ": "
                  << file.errorString().toStdString() << "\n";
        return exitFailure;
    }
    QPdfWriter writer(&file);
    QString error;
    if (!draw(writer, &error)) {
        file.cancelWriting();
        std::cerr << "vrel-cli " << command << ": " << error.toStdString() << "\n";
        return exitFailure;
    }
    if (!file.commit()) {
        std::cerr << "vrel-cli " << command << ": cannot write " << out << ": "
                  << file.errorString().toStdString() << "\n";
        return exitFailure;
    }
    return exitOk;
}
