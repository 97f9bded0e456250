// Not a benchmark of its own: plays a fleet of N meters on a broker, each
// publishing its level once a second and a summary row once a minute (spread
// over the minute, as meters started at different times would) and, as a
// survey does for the collectors, a piece of its data file a second with
// that second's readings (every I seconds) and each summary row's piece of
// summary.csv, so the collector's load can be measured
// (scripts/mqtt-figures.sh).
//
//   mqtt_fleet --mqtt URL --meters N --seconds S [--interval I] [--site ID]
//              [--connections C]
//
// Prints the messages sent and the summary rows the broker acknowledged.
#include "formats/TextDataFile.h"
#include "mqtt/MqttClient.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string isoUtc(std::time_t t) {
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S+00:00", &tm);
    return buf;
}

// A line of a data file at time t, as the survey writes it.
std::string dataLine(std::time_t t, double db) {
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d-%02d-%04d,%02d:%02d:%02d, %5.2f, dBA\r\n", tm.tm_mday,
                  tm.tm_mon + 1, tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec, db);
    return buf;
}

std::string hourFile(std::time_t t) {
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[48];
    std::strftime(buf, sizeof buf, "survey-%Y-%m-%dT%H.txt", &tm);
    return buf;
}

} // namespace

int main(int argc, char** argv) {
    std::string url, site = "fleet";
    int meters = 100, seconds = 60, connections = 10;
    double interval = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--mqtt")
            url = argv[i + 1];
        else if (a == "--meters")
            meters = std::atoi(argv[i + 1]);
        else if (a == "--seconds")
            seconds = std::atoi(argv[i + 1]);
        else if (a == "--site")
            site = argv[i + 1];
        else if (a == "--interval")
            interval = std::atof(argv[i + 1]);
        else if (a == "--connections")
            connections = std::atoi(argv[i + 1]);
    }
    const auto broker = parseBrokerUrl(url);
    if (!broker || meters < 1 || seconds < 1 || connections < 1 || interval < 0.1 || interval > 1) {
        std::fprintf(stderr, "usage: mqtt_fleet --mqtt URL --meters N --seconds S [--interval I] "
                             "[--site ID] [--connections C]\n");
        return 2;
    }
    // A connection carries a share of the meters, as a gateway would; the
    // collector sees the same topics and rates as from one computer a meter.
    // The summaries' acknowledgements; the levels (QoS 0) report their sending too.
    std::mutex mutex;
    std::set<std::pair<int, int>> unacknowledged; // connection, message id
    long acked = 0;
    std::vector<std::unique_ptr<MqttClient>> clients;
    for (int c = 0; c < connections; ++c) {
        MqttSettings s;
        s.broker = *broker;
        s.clientId = "vrel-fleet-" + std::to_string(c);
        auto client = std::make_unique<MqttClient>(s);
        client->onAcknowledged = [&, c](int mid, int) {
            std::lock_guard lock(mutex);
            acked += static_cast<long>(unacknowledged.erase({c, mid}));
        };
        std::string error;
        if (!client->start(error)) {
            std::fprintf(stderr, "mqtt_fleet: %s\n", error.c_str());
            return 1;
        }
        clients.push_back(std::move(client));
    }
    for (auto& c : clients)
        while (!c->connected())
            std::this_thread::sleep_for(std::chrono::milliseconds(50));

    long levels = 0, summaries = 0, refused = 0, pieces = 0;
    std::vector<long long> seq(static_cast<std::size_t>(meters), 0);
    // How far each meter's files have gone: file name, then meter.
    std::map<std::string, std::vector<std::int64_t>> offsets;
    const int perSecond = static_cast<int>(std::lround(1 / interval));
    const auto piece = [&](MqttClient& client, int c, const std::string& meter, int m,
                           const std::string& file, const std::string& header,
                           const std::string& lines) {
        auto& sizes = offsets[file];
        sizes.resize(static_cast<std::size_t>(meters), 0);
        std::int64_t& at = sizes[static_cast<std::size_t>(m)];
        std::string bytes = at == 0 ? header + lines : lines;
        std::lock_guard lock(mutex);
        const auto mid = client.publish(filePieceTopic(site, meter),
                                        encodeFilePiece({file, at, bytes}), 1, false);
        at += static_cast<std::int64_t>(bytes.size());
        if (mid) {
            unacknowledged.insert({c, *mid});
            ++pieces;
        }
    };
    const auto start = std::chrono::steady_clock::now();
    const std::time_t t0 = std::time(nullptr);
    for (int s = 0; s < seconds; ++s) {
        std::this_thread::sleep_until(start + std::chrono::seconds(s));
        const std::time_t now = t0 + s;
        for (int m = 0; m < meters; ++m) {
            const int c = m % connections;
            MqttClient& client = *clients[static_cast<std::size_t>(c)];
            const std::string meter = "m" + std::to_string(m);
            const double db = 55 + 10 * std::sin((m + s) / 7.0);
            const auto level = client.publish(mqttTopic(site, meter, MqttTopic::Level),
                                              encodeLevel({isoUtc(now), db, "dBA"}), 0, false);
            levels += level.has_value();
            std::string lines;
            for (int r = 0; r < perSecond; ++r)
                lines += dataLine(now, db);
            piece(client, c, meter, m, hourFile(now), TextDataHeader(interval) + "\r\n", lines);
            // Meter m closes its minute at second m mod 60 of each minute.
            if ((s + m) % 60 != 59)
                continue;
            const std::time_t end = now + 1;
            char row[256];
            std::snprintf(row, sizeof row, "%s,%s,600,1.0000,%.2f,%.2f,%.2f,%.2f,%.2f,%.2f,dBA",
                          isoUtc(end - 60).c_str(), isoUtc(end).c_str(), db, db + 8, db - 9, db + 3,
                          db, db - 4);
            const auto payload = encodeSummaryRow(++seq[static_cast<std::size_t>(m)], row);
            {
                std::lock_guard lock(mutex);
                const auto mid =
                    client.publish(mqttTopic(site, meter, MqttTopic::Summary), *payload, 1, false);
                if (mid) {
                    unacknowledged.insert({c, *mid});
                    ++summaries;
                } else {
                    ++refused;
                }
            }
            piece(client, c, meter, m, summaryFileName, std::string(summaryHeader) + "\r\n",
                  std::string(row) + "\r\n");
        }
    }
    // The last rows' acknowledgements.
    for (int i = 0; i < 100; ++i) {
        {
            std::lock_guard lock(mutex);
            if (unacknowledged.empty())
                break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    {
        std::lock_guard lock(mutex);
        std::printf("meters %d seconds %d levels %ld summaries %ld pieces %ld acknowledged %ld not "
                    "sent %ld\n",
                    meters, seconds, levels, summaries, pieces, acked, refused);
    }
    for (auto& c : clients)
        c->stop();
    return 0;
}
