// nelvo-data: the component's members from the command line, and a
// streaming exporter of whole files. The command line is defined in
// cli/definition.cpp, the subcommands live in commands/, the export loop in
// export/ and the output formats in formats/.
#include "nelvo-data/cli/run.hpp"
#include "nelvo-data/system/io.hpp"

// The one platform difference outside system/: the entry's name and
// argument type (Windows passes UTF-16 to wmain, built with -municode).
#ifdef _WIN32
int wmain(int argc, wchar_t** argv)
#else
int main(int argc, char** argv)
#endif
{
    return nelvo::tool::io::start(argc, argv, nelvo::tool::cli::run);
}
