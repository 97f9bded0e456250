#include "config/Language.h"

std::optional<Language> parseLanguage(std::string_view code) {
    const std::string_view base = code.substr(0, code.find_first_of("_-."));
    if (base == "tr")
        return Language::Turkish;
    if (base == "en")
        return Language::English;
    return std::nullopt;
}

const char* languageCode(Language language) {
    return language == Language::English ? "en" : "tr";
}

namespace {
Language shown = Language::Turkish;
} // namespace

Language interfaceLanguage() {
    return shown;
}

void setInterfaceLanguage(Language language) {
    shown = language;
}

Language chooseLanguage(std::optional<Language> commandLine, std::optional<Language> remembered,
                        const std::vector<std::string>& systemLanguages) {
    if (commandLine)
        return *commandLine;
    if (remembered)
        return *remembered;
    for (const std::string& code : systemLanguages)
        if (const auto l = parseLanguage(code))
            return *l;
    return Language::Turkish;
}
