// Not a benchmark of its own: the network window as a user has it open on a
// broker where bench/mqtt_fleet plays a fleet (scripts/mqtt-figures.sh
// window). Beside the fleet it publishes one probe meter's level once a
// second and times each from the publish call to the moment the probe's row
// shows it; at the end it prints the meters shown, its CPU share and resident
// memory after the first 20 seconds, and the probes' median and worst time.
//
//   network_window_run --mqtt URL --seconds S
#include "mqtt/MqttClient.h"
#include "network/FleetTable.h"
#include "network/NetworkWindow.h"
#include "network/Notifier.h"

#include <QApplication>
#include <QSortFilterProxyModel>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

class SilentNotifier final : public Notifier {
  public:
    void notify(const QString&, const QString&) override {}
};

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long kb = 0;
    while (status >> key)
        if (key == "VmRSS:" && status >> kb)
            return kb;
    return 0;
}

using Steady = std::chrono::steady_clock;

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::string url;
    int seconds = 60;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--mqtt")
            url = argv[i + 1];
        else if (a == "--seconds")
            seconds = std::atoi(argv[i + 1]);
    }
    const auto broker = parseBrokerUrl(url);
    if (!broker || seconds < 30) {
        std::fprintf(stderr, "usage: network_window_run --mqtt URL --seconds S (S >= 30)\n");
        return 2;
    }
    MqttSettings settings;
    settings.broker = *broker;
    settings.clientId = "vrel-window-run";
    const SystemClock clock;
    SilentNotifier notifier;
    CNetworkWnd window(settings, 70.0, notifier, clock);
    QString error;
    if (!window.start(error)) {
        std::fprintf(stderr, "network_window_run: %s\n", qPrintable(error));
        return 1;
    }
    window.show();

    MqttSettings probeSettings = settings;
    probeSettings.clientId = "vrel-window-probe";
    MqttClient probe(probeSettings);
    std::string why;
    if (!probe.start(why)) {
        std::fprintf(stderr, "network_window_run: %s\n", why.c_str());
        return 1;
    }

    // The probe's level waiting to be shown, and when it was published.
    QString expected;
    Steady::time_point sent;
    std::vector<double> latenciesMs;
    int published = 0;
    const auto look = [&] {
        if (expected.isEmpty())
            return;
        const QAbstractItemModel* rows = window.rows();
        for (int r = 0; r < rows->rowCount(); ++r) {
            if (rows->index(r, FleetTable::Site).data().toString() != QLatin1String("probe"))
                continue;
            if (rows->index(r, FleetTable::Level).data().toString() == expected) {
                latenciesMs.push_back(
                    std::chrono::duration<double, std::milli>(Steady::now() - sent).count());
                expected.clear();
            }
            return;
        }
    };
    QObject::connect(window.rows(), &QAbstractItemModel::dataChanged, look);
    QObject::connect(window.rows(), &QAbstractItemModel::rowsInserted, look);

    QTimer probeTimer;
    probeTimer.setInterval(1000);
    QObject::connect(&probeTimer, &QTimer::timeout, [&] {
        if (!probe.connected())
            return;
        // A new value each second: the row shows it only once it came through.
        const double db = 40.0 + (published++ % 400) * 0.1;
        expected = QStringLiteral("%1 dBA").arg(db, 0, 'f', 1);
        sent = Steady::now();
        probe.publish(mqttTopic("probe", "p1", MqttTopic::Level),
                      encodeLevel({isoLocalTime(clock, clock.nowMs()), db, "dBA"}), 0, false);
    });
    probeTimer.start();

    double cpu0 = 0;
    int publishedBefore = 0;
    Steady::time_point t0;
    QTimer::singleShot(20'000, [&] {
        cpu0 = cpuSeconds();
        t0 = Steady::now();
        latenciesMs.clear();
        publishedBefore = published;
    });
    QTimer::singleShot(seconds * 1000, [&] { app.quit(); });
    app.exec();

    const double wall = std::chrono::duration<double>(Steady::now() - t0).count();
    const double cpu = cpuSeconds() - cpu0;
    std::sort(latenciesMs.begin(), latenciesMs.end());
    const double median = latenciesMs.empty() ? 0 : latenciesMs[latenciesMs.size() / 2];
    const double worst = latenciesMs.empty() ? 0 : latenciesMs.back();
    std::printf("meters shown %zu; window CPU %.2f %% of one core over %.0f s; RSS %ld kB; "
                "probe levels %zu of %d shown, publish to row median %.0f ms, worst %.0f ms\n",
                window.fleet().meters().size(), 100 * cpu / wall, wall, residentKb(),
                latenciesMs.size(), published - publishedBefore, median, worst);
    probe.stop();
    return 0;
}
