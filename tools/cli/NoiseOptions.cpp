#include "NoiseOptions.h"

#include "model/TextFormat.h"

#include <cstdio>
#include <iostream>

const char* const noiseOptionsUsage =
    "  --shift HOURS  adds the workplace exposure (A-weighted readings only):\n"
    "              Te (s), LAeq,Te, LEX,8h = LAeq,Te + 10 lg(Te / 8 h), EU (the\n"
    "              highest EU value reached: none, lower 80, upper 85, limit 87),\n"
    "              OSHAdose and NIOSHdose (%, projected to the shift), OSHATWA\n"
    "              and NIOSHTWA. HOURS is the shift the measurement samples, or\n"
    "              'measured' for the measured duration. With dBC or mixed\n"
    "              readings: exposure<TAB>not applicable<TAB>the reason.\n"
    "  --intervals 1m|5m|15m|1h  adds the environmental figures: span, covered\n"
    "              and gap (s), Lday, Levening, Lnight (dB, each with its coverage\n"
    "              in % and complete yes/no), Lden, then per clock interval\n"
    "              holding readings: interval<TAB>dd-mm-yyyy hh:mm<TAB>Leq<TAB>\n"
    "              Lmax<TAB>Lmin<TAB>L10<TAB>L90<TAB>coverage %\n"
    "  --periods D,E,N  the hours the day, evening and night start (7,19,23)\n";

namespace {

void put(const std::string& name, const std::string& value, const std::string& unit) {
    std::cout << name << '\t' << value << '\t' << unit << '\n';
}

std::string level(double v) {
    return formatFixed(v, 2);
}

void period(const char* name, const PeriodFigures& p) {
    const std::string n = name;
    put(n, p.present ? level(p.level) : "none", "dB");
    put(n + "Coverage", formatFixed(100.0 * p.coverage, 2), "%");
    put(n + "Complete", p.incomplete() ? "no" : "yes", "");
}

} // namespace

std::optional<NoiseOptions> readNoiseOptions(const CommandLine& line, std::string& error) {
    NoiseOptions o;
    if (const std::string* text = line.option("--shift")) {
        o.exposure = true;
        if (*text != "measured") {
            const auto h = parseNumber(*text);
            if (!h || *h <= 0 || *h > 24) {
                error = "--shift takes hours from above 0 to 24 or 'measured', not '" + *text + "'";
                return std::nullopt;
            }
            o.settings.shiftHours = *h;
        }
    }
    if (const std::string* text = line.option("--intervals")) {
        const auto s = parseIntervalName(*text);
        if (!s) {
            error = "--intervals takes 1m, 5m, 15m or 1h, not '" + *text + "'";
            return std::nullopt;
        }
        o.environment = true;
        o.settings.intervalSeconds = *s;
    }
    if (const std::string* text = line.option("--periods")) {
        PeriodBounds b;
        char tail = 0;
        if (std::sscanf(text->c_str(), "%d,%d,%d%c", &b.dayStart, &b.eveningStart, &b.nightStart,
                        &tail) != 3 ||
            !b.valid()) {
            error =
                "--periods takes three hours D,E,N in order around the day, not '" + *text + "'";
            return std::nullopt;
        }
        o.settings.bounds = b;
    }
    return o;
}

void printNoiseFigures(const NoiseFigures& figures, const NoiseOptions& options) {
    if (options.exposure) {
        const ExposureFigures& x = figures.exposure;
        if (x.notApplicable != NotApplicable::None) {
            put("exposure", "not applicable", notApplicableReason(x.notApplicable));
        } else {
            put("measured", formatFixed(x.measuredSeconds, 2), "s");
            put("Te", formatFixed(x.shiftSeconds, 2), "s");
            put("LAeq,Te", level(x.laeq), "dBA");
            put("LEX,8h", level(x.lex8h), "dBA");
            put("EU", euActionValueName(x.reached), "");
            put("OSHAdose", formatFixed(x.oshaDose, 2), "%");
            put("OSHATWA", x.oshaTwa ? level(*x.oshaTwa) : "none", "dBA");
            put("NIOSHdose", formatFixed(x.nioshDose, 2), "%");
            put("NIOSHTWA", x.nioshTwa ? level(*x.nioshTwa) : "none", "dBA");
        }
    }
    if (!options.environment)
        return;
    const EnvironmentFigures& e = figures.environment;
    if (e.notApplicable != NotApplicable::None) {
        put("environment", "not applicable", notApplicableReason(e.notApplicable));
        return;
    }
    put("span", formatFixed(e.spanSeconds, 2), "s");
    put("covered", formatFixed(e.coveredSeconds, 2), "s");
    put("gap", formatFixed(e.gapSeconds, 2), "s");
    period("Lday", e.day);
    period("Levening", e.evening);
    period("Lnight", e.night);
    put("Lden", e.lden ? level(*e.lden) : "none", "dB");
    put("LdenComplete", e.lden && !e.ldenIncomplete() ? "yes" : "no", "");
    for (const IntervalFigures& i : e.intervals)
        std::cout << "interval\t" << dateClockOfSeconds(i.start) << '\t' << level(i.leq) << '\t'
                  << level(i.lmax) << '\t' << level(i.lmin) << '\t' << level(i.l10) << '\t'
                  << level(i.l90) << '\t' << formatFixed(100.0 * i.coverage, 2) << '\n';
}
