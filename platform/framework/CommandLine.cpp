#include "framework/CommandLine.h"

#include <string_view>

InfoOption FindInfoOption(int argc, char** argv)
{
    for (int i = 1; i < argc && argv[i]; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "--")
            break;
        if (arg == "--version")
            return InfoOption::Version;
        if (arg == "--help" || arg == "-h")
            return InfoOption::Help;
    }
    return InfoOption::None;
}

bool AnswerInfoOption(int argc, char** argv, const ProgramInfo& info, std::ostream& out)
{
    switch (FindInfoOption(argc, argv)) {
    case InfoOption::Version:
        out << info.name << ' ' << info.version << '\n';
        break;
    case InfoOption::Help:
        out << "Usage: " << info.name << " [--version] [--help]\n"
            << info.summary << "\n"
            << "It keeps its settings, film roll and temporary files in the folder it is started from.\n\n"
            << "  --version  print the version and exit\n"
            << "  --help     print this help and exit\n";
        break;
    case InfoOption::None:
        return false;
    }
    out.flush();
    return true;
}
