// The command line's contract: exit 0, 1 with "nelvo-data: FILE: DESCRIPTION
// (error N)", or 2 for usage errors; export through the binary matches show.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>

#include <cstdio>

#include "tool_test_support.hpp"

namespace {

struct Run {
    int status;
    std::string out;  // standard output, or both streams with `merge`
};

Run run(const std::string& args, bool merge = false)
{
    const std::string cmd = std::string(NELVO_DATA_BINARY) + " " + args + (merge ? " 2>&1" : " 2>/dev/null");
    std::FILE* p = ::popen(cmd.c_str(), "r");
    Run r{-1, {}};
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

class Cli : public ::testing::Test {
protected:
    nelvo::test::ScratchDir dir;
    std::string bda = dir.file("bda.dat", nelvo::test::hostile_file(nelvo::records::bda, 3, 9));
};

TEST_F(Cli, ExitCodesAndMessages)
{
    EXPECT_EQ(run("count bda " + bda).out, "3\n");
    EXPECT_EQ(run("show bda " + bda + " 0", true).out, "nelvo-data: " + bda + ": Bad record number (error 63)\n");
    EXPECT_EQ(run("show bda " + bda + " 0").status, 1);
    EXPECT_EQ(run("export bda " + bda + " --from 0").status, 2);  // a usage error naming --from
    const std::string lost = dir.path("nowhere/x.dat");
    EXPECT_EQ(run("export bda " + lost, true).out, "nelvo-data: " + lost + ": Path not found (error 76)\n");

    for (const char* usage : {"", "export", "export bda", "export nokind " /* file follows */, "export bda F --format xml",
                              "export bda F --jobs -1", "export bda F --delimiter ab", "count bda F extra", "frobnicate"}) {
        std::string a = usage;
        if (auto f = a.find(" F"); f != std::string::npos) a.replace(f, 2, " " + bda);
        if (a == "export nokind ") a += bda;
        EXPECT_EQ(run(a).status, 2) << usage;
    }
    // Writing over the data file is refused, and the file stays as it was.
    const auto before = std::filesystem::file_size(bda);
    EXPECT_EQ(run("export bda " + bda + " -o " + bda).status, 2);
    EXPECT_EQ(std::filesystem::file_size(bda), before);
    // A data file that cannot be opened leaves no empty output behind.
    EXPECT_EQ(run("export bda " + lost + " -o " + dir.path("out.txt")).status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir.path("out.txt")));
}

TEST_F(Cli, ExportMatchesShowAndTheSeparatorOption)
{
    std::string shown;
    for (int n = 1; n <= 3; ++n) shown += run("show bda " + bda + " " + std::to_string(n)).out;
    EXPECT_EQ(run("export bda " + bda + " --jobs 2").out, shown);
    EXPECT_EQ(run("export bda " + bda + " -o " + dir.path("o.txt")).status, 0);
    std::ifstream in(dir.path("o.txt"), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), shown);

    const std::string urlaub =
        dir.file("u.dat", nelvo::test::hostile_file(nelvo::records::urlaubsblatt, 2, 4));
    for (const char* sep : {",", "."}) {
        const std::string opt = std::string(" --decimal-separator ") + sep;
        EXPECT_EQ(run("export urlaub " + urlaub + opt).out,
                  run("show urlaub " + urlaub + " 1" + opt).out + run("show urlaub " + urlaub + " 2" + opt).out);
    }
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__) && !defined(__clang__)
// More jobs than the address space has room for thread stacks: the export
// fails with "Out of memory" instead of aborting (sanitizers need the
// address space themselves, so only the plain build runs this).
TEST_F(Cli, ThreadsThatCannotStartFailTheExport)
{
    const std::string many = dir.file("many.dat", std::vector<unsigned char>(730 * 3000, ' '));
    const std::string cmd = "ulimit -v 1500000; " + std::string(NELVO_DATA_BINARY) + " export bda " + many +
                            " --jobs 1000 --chunk-bytes 1 -o /dev/null 2>&1";
    std::FILE* p = ::popen(cmd.c_str(), "r");
    std::string out;
    char buf[512];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int st = ::pclose(p);
    EXPECT_TRUE(WIFEXITED(st) && WEXITSTATUS(st) == 1) << out;
    EXPECT_EQ(out, "nelvo-data: " + many + ": Out of memory (error 7)\n");
}
#endif

TEST_F(Cli, VersionIsTheProjectsAndTheCheckouts)
{
    const auto r = run("--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("nelvo-data " NELVO_PROJECT_VERSION, 0), 0u) << r.out;
    EXPECT_EQ(r.out.find(" (git ") != std::string::npos, NELVO_FROM_CHECKOUT != 0) << r.out;
    EXPECT_EQ(r.out.back(), '\n');
}

TEST_F(Cli, CheckStrictFailsOnWarnings)
{
    const std::string clean = dir.file("clean.dat", std::vector<unsigned char>(730 * 2, ' '));
    EXPECT_EQ(run("check bda " + clean + " --strict").status, 0);
    EXPECT_EQ(run("check bda " + bda).status, 0);
    EXPECT_EQ(run("check bda " + bda + " --strict").status, 1);
    EXPECT_EQ(run("dump bda " + bda + " 2").status, 0);
    EXPECT_EQ(run("layout user").status, 0);
    EXPECT_EQ(run("schema user x.13").status, 0);
}

}  // namespace
#endif

#include <CLI/CLI.hpp>

#include "nelvo-data/cli/definition.hpp"

namespace {

using nelvo::tool::cli::Command;

// The definition binds what the subcommands run on: the command itself,
// optional values left unset unless given, options before the subcommand.
TEST(CommandLine, DefinitionBindsEverySubcommandsValues)
{
    struct Case {
        std::vector<std::string> args;
        Command command;
    };
    const Case cases[] = {
        {{"count", "bda", "f"}, Command::Count},     {{"show", "bda", "f", "3"}, Command::Show},
        {{"tarife", "f", "1", "5"}, Command::Tarife}, {{"tarifsatz", "f", "4"}, Command::Tarifsatz},
        {{"export", "bda", "f", "--from", "3", "-f", "csv"}, Command::Export},
        {{"layout", "user"}, Command::Layout},        {{"schema", "bda", "f"}, Command::Schema},
        {{"check", "bda", "f", "--strict"}, Command::Check},
        {{"--decimal-separator", ",", "dump", "bda", "f", "2"}, Command::Dump},
    };
    for (const auto& c : cases) {
        CLI::App app;
        nelvo::tool::cli::Arguments a;
        nelvo::tool::cli::define_command_line(app, a);
        std::vector<std::string> reversed(c.args.rbegin(), c.args.rend());  // CLI11 takes them last first
        app.parse(reversed);
        EXPECT_EQ(a.command, c.command) << c.args[0];
        switch (c.command) {
        case Command::Export:
            EXPECT_EQ(a.from, 3);
            EXPECT_FALSE(a.to.has_value());
            EXPECT_EQ(a.format, "csv");
            EXPECT_EQ(a.output, "-");
            break;
        case Command::Tarife:
            EXPECT_EQ(a.file, "f");
            EXPECT_EQ(a.von, 1);
            EXPECT_EQ(a.bis, 5);
            break;
        case Command::Dump:
            EXPECT_EQ(a.decimal_separator, ",");
            EXPECT_EQ(a.recno, 2);
            break;
        case Command::Layout: EXPECT_TRUE(a.file.empty()); break;
        case Command::Check: EXPECT_TRUE(a.strict); break;
        default: EXPECT_FALSE(a.decimal_separator.has_value()); break;
        }
    }
}

}  // namespace
