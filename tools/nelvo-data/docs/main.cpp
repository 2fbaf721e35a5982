// nelvo-data-docs: writes nelvo-data's manual page and bash completion,
// both from the command line definition the tool itself parses with.
//   nelvo-data-docs MAN-PAGE BASH-COMPLETION
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "nelvo-data/docs/bash_completion.hpp"
#include "nelvo-data/docs/man_page.hpp"
#include "nelvo-data/docs/walk.hpp"

namespace {

bool write(const char* path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (!out) std::cerr << "nelvo-data-docs: " << path << ": cannot write\n";
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: nelvo-data-docs MAN-PAGE BASH-COMPLETION\n";
        return 2;
    }
    const auto program = nelvo::tool::docs::describe_command_line();
    const bool ok = write(argv[1], nelvo::tool::docs::man_page(program)) &&
                    write(argv[2], nelvo::tool::docs::bash_completion(program));
    return ok ? 0 : 1;
}
