#pragma once

#include "model/RecordList.h"
#include "protocol/LiveState.h"

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
    // The logger download has ended, with records or without (empty memory):
    // take loggerRecords and close the progress dialog.
    bool loggerEnded = false;
    // The download moved on: progress bar range 0..progressMaximum, position
    // progressValue (never beyond the maximum).
    bool loggerProgress = false;
    int progressMaximum = 0;
    int progressValue = 0;
};

// The date-time, weighting and interval of the logger data set being decoded,
// and its last reading.
struct SetClock {
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    std::string unit;
    int year = 0;
    int month = 0;
    double interval = 0.0; // seconds
    double value = 0.0;    // dB

    // A real date and time of day. A set header can hold any byte, so a damaged
    // one may name the 31st of February or the hour 27.
    bool valid() const;
    // Moves on by whole seconds, counting on the calendar as the meter's own
    // clock does: without time zone and without daylight saving.
    void advance(long seconds);
    // "%.2d-%.2d-%d,%d:%.2d:%.2d": day, month, year, hour (no leading zero), minute, second
    std::string dateTimeText() const;

    bool operator==(const SetClock&) const = default;
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

    // Prepares a logger download: from now on chunks go to the logger branch
    // until the dump has ended. Call before the request goes out, so that
    // nothing received earlier can be taken for the dump's header.
    void beginLoggerDownload();
    // Ends a download that did not finish (time-out, silence, cancel). Returns
    // whether one was running.
    bool abortLoggerDownload();
    // Hands the decoded records over to the owner and leaves the list empty.
    RecordList takeLoggerRecords();

    // Decodes a memory dump from the first set header up to and including the
    // end marker "dd" into loggerRecords and ends the download.
    void DecodeLoggerDump(std::string_view text);

    // Back to the state of the main view's initial update.
    void reset();

    LiveState state;
    std::string recvText;
    std::time_t lastReceiveTime = 0;
    bool connected = false;
    int rxByteCount = 0;
    bool loggerBusy = false;
    bool recording = false;

    // Logger download: the answer's header has arrived; its announced length in
    // bytes (for progress only); sets decoded so far; the set being decoded.
    bool loggerHeaderSeen = false;
    int expectedLength = 0;
    int setCounter = 0;
    SetClock setClock;
    // Filled only at the end of a download, then taken by the owner.
    RecordList loggerRecords;

  private:
    // No dump read yet: a reset and a new download both start from here.
    void clearLoggerDump();
    void onLoggerChunk(std::string_view chunk, ReceiveEvents& events);
    void appendLoggerReading(std::string_view digits);
    void readSetHeader(std::string_view header);

    const Clock& clock_;
    // Where the search for the dump's end marker in recvText goes on.
    std::size_t endSearchFrom_ = 0;
};

// "%.2x" of every byte, in order.
std::string toHexText(const std::uint8_t* bytes, std::size_t count);
