// nelvo-data: the component's members from the command line, and a
// streaming exporter of whole files. The command line is defined in
// cli/definition.cpp, the subcommands live in commands/, the export loop in
// export/ and the output formats in formats/.
#include <string>
#include <vector>

#include "nelvo-data/cli/run.hpp"
#include "text/utf.hpp"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

int run(int argc, char** argv) { return nelvo::tool::cli::run(argc, argv); }

}  // namespace

#ifdef _WIN32
// Windows hands over the arguments as UTF-16; the rest of the tool works in
// UTF-8, which turns back into the same UTF-16 path.
int wmain(int argc, wchar_t** wargv)
{
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);  // "-" reads data files' bytes
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i)
        args.push_back(nelvo::text::utf16_to_utf8(reinterpret_cast<const char16_t*>(wargv[i])));
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return run(argc, argv.data());
}
#else
int main(int argc, char** argv) { return run(argc, argv); }
#endif
