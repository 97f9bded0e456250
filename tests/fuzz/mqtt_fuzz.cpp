// libFuzzer target: the payload decoders the collector and the survey run on
// whatever a broker hands them, and the CSV row reader of the survey's outbox. What a
// decoder accepts must encode again to the very same row.
#include "mqtt/MqttProtocol.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void roundTrip(const std::optional<DecodedRow>& row, bool summary) {
    if (!row)
        return;
    const std::string_view line(row->csvRow.data(), row->csvRow.size() - 2);
    const auto payload =
        summary ? encodeSummaryRow(row->seq, line) : encodeEventRow(row->seq, line);
    if (!payload)
        std::abort();
    const auto again = summary ? decodeSummary(*payload) : decodeEvent(*payload);
    if (!again || again->csvRow != row->csvRow || again->seq != row->seq ||
        again->start != row->start)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    roundTrip(decodeSummary(text), true);
    roundTrip(decodeEvent(text), false);
    if (const auto level = decodeLevel(text)) {
        const auto again = decodeLevel(encodeLevel(*level));
        if (!again || again->time != level->time || again->weighting != level->weighting ||
            again->db.has_value() != level->db.has_value())
            std::abort();
    }
    if (const auto piece = decodeFilePiece(text)) {
        const auto again = decodeFilePiece(encodeFilePiece(*piece));
        if (!again || again->file != piece->file || again->offset != piece->offset ||
            again->bytes != piece->bytes)
            std::abort();
    }
    if (const auto held = decodeArchived(text)) {
        const auto again = decodeArchived(encodeArchived(*held));
        if (!again || again->again != held->again || again->sizes != held->sizes)
            std::abort();
    }
    (void)decodeExceedance(text);
    (void)parseEventTime(text);
    (void)parseCollectorNames(text);
    (void)splitCsvRow(text);
    (void)parseMqttTopic(text);
    (void)parseBrokerUrl(text);
    return 0;
}
