// The options every program answers before it opens a window: --version and
// --help print and end the program, with or without a display, as command-line
// users expect. Everything else on the command line is left to the toolkit.
#pragma once

#include <ostream>

struct ProgramInfo {
    const char* name;      // "snapvo32"
    const char* version;   // "2.0"
    const char* summary;   // one line: what the program is
};

enum class InfoOption { None, Version, Help };

// The first information option on the command line; "--" ends the options.
InfoOption FindInfoOption(int argc, char** argv);

// Prints the answer to the information option argv asks for. TRUE when it
// printed one: the program then ends with exit status 0.
bool AnswerInfoOption(int argc, char** argv, const ProgramInfo& info, std::ostream& out);
