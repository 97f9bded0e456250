#!/usr/bin/env bash
# Brings res/translations/vrel_en.ts up to date with the texts in the sources:
# new texts come in unfinished (translate them with Qt Linguist or by hand),
# texts gone from the sources go. The sources are Turkish.
set -euo pipefail
cd "$(dirname "$0")/.."
lupdate=$(command -v lupdate || echo /usr/lib/qt6/bin/lupdate)
"$lupdate" -locations relative -no-obsolete -source-language tr_TR -target-language en \
    src tools -ts res/translations/vrel_en.ts
