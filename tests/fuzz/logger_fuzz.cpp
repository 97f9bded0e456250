// libFuzzer target: the logger branch of the receive callback. The first byte
// of an input sets the size of the reads (1 to 20 bytes), the rest is the
// byte stream; a download that ends starts the next one at once.
#include "model/Clock.h"
#include "protocol/MeterDecoder.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t chunk = 1 + data[0] % 20;
    ManualClock clock(1796634000);
    MeterDecoder decoder(clock);
    decoder.beginLoggerDownload();
    for (std::size_t i = 1; i < size; i += chunk) {
        const ReceiveEvents ev = decoder.OnMeterData(data + i, std::min(chunk, size - i));
        if (ev.loggerProgress && (ev.progressValue > ev.progressMaximum || ev.progressValue < 0))
            std::abort();
        if (decoder.expectedLength < 0)
            std::abort();
        if (ev.loggerEnded) {
            if (decoder.loggerBusy)
                std::abort();
            int last = 1;
            for (const CObjData& r : decoder.takeLoggerRecords()) {
                // Sets are counted from 1 in dump order.
                if (r.setNumber() < last || (r.unit() != "dBA" && r.unit() != "dBC"))
                    std::abort();
                last = r.setNumber();
            }
            decoder.beginLoggerDownload();
        }
    }
    return 0;
}
