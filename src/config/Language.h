#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The interface languages: Turkish, the one the texts are written in, and
// English from the translation.
enum class Language { Turkish, English };

// "tr" or "en", also with a region or encoding ("en_GB", "tr-TR",
// "en_US.UTF-8"); nullopt for anything else.
std::optional<Language> parseLanguage(std::string_view code);
// "tr" or "en".
const char* languageCode(Language language);

// The language the windows show, as the program last chose it (the
// translation it installed); Turkish until then. The texts the program keeps
// as data in both languages pick theirs by it.
Language interfaceLanguage();
void setInterfaceLanguage(Language language);

// The language the program shows: the one given on the command line, else the
// one remembered, else the first of the system's preferred languages that the
// program has, else Turkish.
Language chooseLanguage(std::optional<Language> commandLine, std::optional<Language> remembered,
                        const std::vector<std::string>& systemLanguages);
