#include "formats/TextDataGrammar.h"

#include "model/TextFormat.h"

std::optional<double> readTextDataHeader(std::string_view line) {
    if (!line.starts_with(textDataHeaderTag))
        return std::nullopt;
    const std::size_t colon = line.find(':');
    const std::size_t semicolon = line.find(';');
    if (colon == std::string_view::npos || semicolon == std::string_view::npos || semicolon < colon)
        return 0.0;
    return leadingDecimal(line.substr(colon + 1, semicolon - colon - 1));
}
