#pragma once

#include "link/LiveState.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

class Clock;

// What one received chunk asks of the decoder's owner.
struct ReceiveEvents {
    bool redraw = false;        // the panel shows a new state
    bool stopRecording = false; // the meter went into HOLD while recording
};

// The receive path of the meter link: turns chunks of bytes into hex text, cuts
// frames out of it and decodes them into the live state. Knows nothing of
// threads or windows; the owner serialises calls and acts on the events.
class MeterDecoder {
  public:
    // The live path drops the oldest text beyond this while no frame marker
    // arrives, so a stream of garbage cannot grow the buffer without bound.
    static constexpr std::size_t maxLiveText = 4096;

    explicit MeterDecoder(const Clock& clock);

    // The receive callback: count bytes as delivered by one read of the port.
    ReceiveEvents OnMeterData(const std::uint8_t* bytes, std::size_t count);

    // Cuts the next frame out of recvText and decodes it; chunkText is the text
    // of the chunk just received. Returns true when the panel must be redrawn.
    bool DecodeLiveFrame(std::string_view chunkText);

    // Decodes one 40-character frame into the live state.
    void DecodeFrame(std::string_view frame);

    // Back to the state of the main view's initial update.
    void reset();

    LiveState state;
    std::string recvText;
    std::time_t lastReceiveTime = 0;
    bool connected = false;
    int rxByteCount = 0;
    bool loggerBusy = false;
    bool recording = false;

  private:
    const Clock& clock_;
};

// "%.2x" of every byte, in order.
std::string toHexText(const std::uint8_t* bytes, std::size_t count);
