// vrel-cli download: the DataLogger command without the window.
#include "CliCommon.h"
#include "Commands.h"

#include "formats/TextDataFile.h"
#include "link/Download.h"
#include "link/MeterLink.h"
#include "model/Clock.h"
#include "model/DataSets.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <iostream>
#include <set>

namespace {

const char* const downloadUsage =
    "usage: vrel-cli download --port PATH --out-dir DIR\n"
    "\n"
    "Opens the meter on PATH (a device such as /dev/ttyUSB0, or a port name such\n"
    "as COM3), downloads the data sets of its memory as the DataLogger command\n"
    "does and prints the DATALOGGER window's rows, one per line, the five cells\n"
    "tab-separated: ID, date and time of the first reading, unit, sampling rate\n"
    "with two decimals, number of readings. Each set is written to DIR (made\n"
    "when missing) as the text data file set-N.txt, N its ID, as the window's\n"
    "\"Seçimi kaydet\" writes it. An empty memory prints and writes nothing.\n"
    "\n"
    "Exit status 0; 1 when the port cannot be opened, the meter does not answer,\n"
    "the download breaks off (two seconds without a byte) or a file cannot be\n"
    "written; 2 for a wrong command line.\n";

int fail(const QString& what) {
    std::cerr << "vrel-cli download: " << what.toLocal8Bit().constData() << "\n";
    return exitFailure;
}

} // namespace

int runDownload(const std::vector<std::string>& args) {
    CommandLine line;
    if (const int status =
            readCommandLine("download", downloadUsage, args, {"--port", "--out-dir"}, line);
        status >= 0)
        return status;
    const std::string* port = line.option("--port");
    const std::string* outDir = line.option("--out-dir");
    if (!port || !outDir || !line.positional.empty())
        return usageError("download", "expects --port PATH and --out-dir DIR");

    // The link's signals travel through an event loop.
    static int argc = 1;
    static char name[] = "vrel-cli";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    const QString dir = QString::fromLocal8Bit(*outDir);
    if (!QDir().mkpath(dir))
        return fail(QStringLiteral("cannot make the folder %1").arg(dir));

    SystemClock clock;
    MeterLink link(clock);
    QString reason;
    if (!link.open(QString::fromLocal8Bit(*port), &reason))
        return fail(
            QStringLiteral("cannot open %1: %2").arg(QString::fromLocal8Bit(*port), reason));
    const LoggerDownloadResult result = downloadLoggerMemory(link, clock);
    link.close();
    if (!result.ok)
        return fail(result.error);

    std::set<int> written;
    for (const DataSetRow& row : GroupDataSets(result.records)) {
        const auto cells = row.cells();
        std::cout << cells[0] << '\t' << cells[1] << '\t' << cells[2] << '\t' << cells[3] << '\t'
                  << cells[4] << '\n';
        // A set number met twice is one set, as a double click on either row shows.
        if (!written.insert(row.setNumber).second)
            continue;
        const QString path = QDir(dir).filePath(QStringLiteral("set-%1.txt").arg(row.setNumber));
        std::string why;
        if (!WriteTextDataFile(QFile::encodeName(path).toStdString(),
                               SelectDataSet(result.records, row.setNumber), &why))
            return fail(QString::fromStdString(why));
    }
    std::cout.flush();
    return exitOk;
}
