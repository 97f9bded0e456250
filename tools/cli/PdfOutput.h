#pragma once

#include <functional>
#include <string>
#include <string_view>

class QPdfWriter;
class QString;

// Writes a PDF document whole or not at all: draw sets up the writer, which
// writes to the file out, and draws the pages; it returns false with the
// reason when the writer refuses them. What goes wrong is told on standard
// error under the command's name. Returns the command's exit status.
int writePdf(std::string_view command, const std::string& out,
             const std::function<bool(QPdfWriter& writer, QString* error)>& draw);
