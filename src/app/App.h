#pragma once

// The desktop program: parses the command line, builds the main window and
// runs the event loop; a data file or survey folder given opens as "Aç" opens
// it (the desktop's "Open with"). Options:
//   --port PATH        open this device and keep to it (no automatic detection)
//   --demo             play a simulated meter on a pseudo-terminal
//   --lang tr|en       the interface language, remembered for later runs
//   --screenshot FILE  wait for the first live reading (at most 5 s), save a
//                      PNG of the main window and exit; with a data file (not
//                      a folder), a PNG of the DATALOGGER window showing it
int runVrel(int argc, char** argv);
