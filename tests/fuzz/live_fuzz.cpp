// libFuzzer target: the receive path as the link and the main view drive it,
// live frames and logger downloads alike. The input is a script: each step's
// first byte says what happens, and a read takes the bytes after it.
//   0..159   a read of 1 + (op % 32) % 20 bytes, as the port delivers them
//   160..191 a logger download is asked for
//   192..223 the meter falls silent for 1 + op % 32 seconds; the watchdog then
//            marks it disconnected and gives up a download, as the view does
//   224..255 the recording is switched on or off
#include "model/Clock.h"
#include "protocol/MeterDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr std::time_t silenceSeconds = 2;

void check(bool ok) {
    if (!ok)
        std::abort();
}

void checkRecords(MeterDecoder& decoder) {
    int last = 1;
    for (const CObjData& r : decoder.takeLoggerRecords()) {
        // Sets are counted from 1 in dump order.
        check(r.setNumber() >= last && (r.unit() == "dBA" || r.unit() == "dBC"));
        last = r.setNumber();
    }
}

void read(MeterDecoder& decoder, const Clock& clock, const std::uint8_t* bytes, std::size_t n) {
    const bool busy = decoder.loggerBusy;
    const bool recording = decoder.recording;
    const ReceiveEvents ev = decoder.OnMeterData(bytes, n);
    check(decoder.connected && decoder.lastReceiveTime == clock.now());
    check(!ev.stopRecording || recording);
    check(decoder.state.range >= 0 && decoder.state.range <= 4);
    check(std::isfinite(decoder.state.level));
    if (!busy) {
        // The live branch neither grows its text without bound nor ends a download.
        check(!ev.loggerEnded && !ev.loggerProgress && !decoder.loggerBusy);
        check(decoder.recvText.size() <= MeterDecoder::maxLiveText);
        return;
    }
    check(!ev.redraw);
    if (ev.loggerProgress)
        check(ev.progressValue >= 0 && ev.progressValue <= ev.progressMaximum);
    if (!decoder.loggerHeaderSeen)
        check(decoder.recvText.size() <= MeterDecoder::maxLiveText);
    if (ev.loggerEnded) {
        check(!decoder.loggerBusy);
        checkRecords(decoder);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ManualClock clock(1796634000);
    MeterDecoder decoder(clock);
    for (std::size_t i = 0; i < size;) {
        const std::uint8_t op = data[i++];
        if (op < 160) {
            const std::size_t n = std::min<std::size_t>(1 + (op % 32) % 20, size - i);
            if (n > 0)
                read(decoder, clock, data + i, n);
            i += n;
        } else if (op < 192) {
            decoder.beginLoggerDownload();
            check(decoder.loggerBusy && !decoder.loggerHeaderSeen);
        } else if (op < 224) {
            clock.advance(1 + op % 32);
            if (clock.now() - decoder.lastReceiveTime >= silenceSeconds) {
                decoder.connected = false;
                const bool busy = decoder.loggerBusy;
                check(decoder.abortLoggerDownload() == busy && !decoder.loggerBusy);
            }
        } else {
            decoder.recording = !decoder.recording;
        }
    }
    return 0;
}
