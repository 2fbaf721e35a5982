// The command line's contract: exit 0, 1 with "nelvo-data: FILE: DESCRIPTION
// (error N)", or 2 for usage errors; export through the binary matches show.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sqlite3.h>
#include <sys/wait.h>

#include <cstdio>

#include "make-samples/synthesize.hpp"
#include "tool_test_support.hpp"

namespace {

struct Run {
    int status;
    std::string out;  // standard output, or both streams with `merge`
};

// Runs a shell command line; its standard output and exit status (-1
// when a signal ended it).
Run shell(const std::string& cmd)
{
    std::FILE* p = ::popen(cmd.c_str(), "r");
    Run r{-1, {}};
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int st = ::pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

Run run(const std::string& args, bool merge = false)
{
    return shell(std::string(NELVO_DATA_BINARY) + " " + args + (merge ? " 2>&1" : " 2>/dev/null"));
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
    const auto r = shell(cmd);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_EQ(r.out, "nelvo-data: " + many + ": Out of memory (error 7)\n");
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

// Streams and targets that fail as a user meets them: standard input that
// cannot be read, standard output on a full disk, outputs that cannot be
// made, and values the command line refuses. Each ends with its exit code
// and says why on standard error.
TEST_F(Cli, UnreadableInputsAndUnwritableOutputsSayWhy)
{
    const std::string long_name = dir.path(std::string(300, 'x'));
    const std::string other = dir.path("other.db");  // with a table bda of other columns
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(other.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE bda(x)", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    struct Case {
        std::string args;
        const char* in;   // standard input
        const char* out;  // standard output; "&1": beside standard error
        int status;
        std::string says;  // in standard error
        const char* limit = "unlimited";  // on the size of a file written, in 512-byte blocks
    };
    // Records of another kind, and more records than one read takes.
    std::vector<unsigned char> jda_records(3 * nelvo::records::jdadat.size);
    for (std::int64_t i = 0; i < 3; ++i)
        nelvo::tool::synthesize_record(nelvo::records::jdadat, 5, i + 1, jda_records.data() + i * nelvo::records::jdadat.size);
    const std::string jda = dir.file("jda.dat", jda_records);
    const std::string big = dir.file("big.dat", std::vector<unsigned char>(730 * 1500, ' '));
    const std::string full = "No space left on device";
    const Case cases[] = {
        {"identify -", "/", "/dev/null", 1, "standard input: Device I/O error (error 57)"},
        {"check bda -", "/", "/dev/null", 1, "standard input: Device I/O error (error 57)"},
        {"export bda -", "/", "/dev/null", 1, "standard input: Device I/O error (error 57): Is a directory"},
        {"layout bda", "/dev/null", "/dev/full", 1, "standard output: " + full},
        {"count bda " + bda, "/dev/null", "/dev/full", 1, "standard output: " + full},
        {"identify " + bda, "/dev/null", "/dev/full", 1, "standard output: " + full},
        {"check bda " + bda, "/dev/null", "/dev/full", 1, "standard output: " + full},
        {"export bda " + bda + " --format json", "/dev/null", "/dev/full", 1, "standard output: " + full},
        {"export bda " + bda + " --format sqlite -o " + dir.path("missing/x.db"), "/dev/null", "/dev/null", 1,
         "No such file or directory"},
        {"export bda " + bda + " --format sqlite -o " + long_name + ".db", "/dev/null", "/dev/null", 1, "File name too long"},
        {"export bda " + bda + " --format sqlite -o " + other, "/dev/null", "/dev/null", 1,
         "table bda has other columns than the bda records"},
        {"export bda " + bda + " --format xlsx -o " + dir.path("missing/x.xlsx"), "/dev/null", "/dev/null", 1,
         "No such file or directory"},
        {"export bda " + bda + " --format xlsx -o " + long_name + ".xlsx", "/dev/null", "/dev/null", 1, "File name too long"},
        {"export bda " + bda + " --format csv -o /sys/x.csv", "/dev/null", "/dev/null", 1, "/sys/x.csv was not written"},
        {"export bda " + bda + " --format csv -o " + bda + "/x.csv", "/dev/null", "/dev/null", 1, "Not a directory"},
        {"export bda " + bda + " --format csv --delimiter '\"'", "/dev/null", "/dev/null", 2, "--delimiter: must be one character"},
        {"export bda " + bda + " --format csv --delimiter '\r'", "/dev/null", "/dev/null", 2, "--delimiter: must be one character"},
        // A full disk (a file size limit: EFBIG) names its cause.
        {"export bda " + bda + " --format sqlite -o " + dir.path("full.db"), "/dev/null", "/dev/null", 1,
         "disk I/O error (File too large)", "16"},
        // Warnings on standard error, or in the report; the command goes on.
        {"export bda -", jda.c_str(), "/dev/null", 0, "warning: standard input fits jda, not bda"},
        {"check bda -", "/dev/null", "&1", 0, "warning: standard input: empty input"},
        {"identify " + dir.file("empty.dat", {}), "/dev/null", "&1", 0, "0 bytes (empty: every kind reads it as no records)"},
        {"check bda " + big, "/dev/null", "&1", 0, "whole records: 1500"},
        {"check bda -", big.c_str(), "&1", 0, "whole records: 1500"},
        {"export bda " + bda + " --format csv --delimiter ,", "/dev/null", "/dev/null", 0, ""},
        {"count bda " + dir.path("missing.dat"), "/dev/null", "/dev/null", 1, "File not found (error 53)"},
        {"dump bda " + dir.path("missing.dat") + " 1", "/dev/null", "/dev/null", 1, "File not found (error 53)"},
        {"tarifsatz " + dir.path("missing.dat") + " 1", "/dev/null", "/dev/null", 1, "File not found (error 53)"},
        {"dump bda " + bda + " 9", "/dev/null", "&1", 0, "bytes 0 to 729 lie past the end of the file and read as zero"},
        {"x", "/dev/null", "/dev/null", 2, "unknown subcommand 'x'"},
        {"count nokind " + bda, "/dev/null", "/dev/null", 2, "unknown kind 'nokind'"},
        {"count bda " + bda + " --layout 1920", "/dev/null", "/dev/null", 2, "--layout: applies to kind user only"},
        {"check user -", "/dev/null", "/dev/null", 2, "need --layout 1920 or 1513"},
        {"show bda " + bda + " 1 --decimal-separator +", "/dev/null", "/dev/null", 2, "--decimal-separator: '+' must be"},
        {"show bda " + bda + " 1 --decimal-separator '\r'", "/dev/null", "/dev/null", 2, "--decimal-separator: '\r' must be"},
        {"show bda " + bda + " 1 --decimal-separator _", "/dev/null", "/dev/null", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        // Standard error into the pipe, then standard output elsewhere.
        const std::string cmd = std::string("ulimit -f ") + c.limit + "; " + NELVO_DATA_BINARY + " " + c.args + " <" + c.in +
                                " 2>&1 >" + c.out;
        const auto [status, err] = shell(cmd);
        EXPECT_EQ(status, c.status) << err;
        if (c.says.empty()) EXPECT_EQ(err, "");
        else EXPECT_NE(err.find(c.says), std::string::npos) << err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path("missing")));
}

}  // namespace
#endif

#include <CLI/CLI.hpp>

#include "nelvo-data/cli/definition.hpp"
#include "nelvo-data/cli/export_inputs.hpp"
#include "nelvo-data/formats/formats.hpp"

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

// export's inputs: KIND FILE, or KIND=FILE in any number with the kind in
// any letter case and the personnel layout by the path rule or by name;
// several only for the formats that take them, which this build must have
// (the Windows builds have no SQLite or workbook output) and which need -o.
TEST(CommandLine, ExportInputsAndTheFormatsThatTakeThem)
{
    using nelvo::FileKind;
    const auto checked = [](std::vector<std::string> args) {
        CLI::App app;
        nelvo::tool::cli::Arguments a;
        nelvo::tool::cli::define_command_line(app, a);
        args.insert(args.begin(), "export");
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
        nelvo::tool::cli::check_export(a);
        return a.inputs;
    };
    const auto& wnw = nelvo::layout_for(FileKind::User, u"", nelvo::PersonnelLayout::Records1920);
    const auto& wvw = nelvo::layout_for(FileKind::User, u"", nelvo::PersonnelLayout::Records1513);

    auto in = checked({"BDA", "b=c.dat"});  // KIND FILE: the file name taken as it stands
    ASSERT_EQ(in.size(), 1u);
    EXPECT_EQ(in[0].kind, FileKind::BDA);
    EXPECT_EQ(in[0].path, "b=c.dat");
    EXPECT_EQ(in[0].layout, nullptr);

    in = checked({"user=p.13"});
    ASSERT_EQ(in.size(), 1u);
    EXPECT_EQ(in[0].layout, nullptr);  // the path rule, when the loop opens it

    const bool library = nelvo::tool::library_formats_built();
    const std::vector<std::string> several = {"-f", "sqlite", "-o", "x.db", "User1920=a.dat", "USER1513=b.13",
                                              "urlaub=c=d.dat", "Tarif=t.dat"};
    if (library) {
        in = checked(several);
        ASSERT_EQ(in.size(), 4u);
        EXPECT_EQ(in[0].layout, &wnw);
        EXPECT_EQ(in[1].layout, &wvw);
        EXPECT_EQ(in[2].kind, FileKind::Urlaub);
        EXPECT_EQ(in[2].path, "c=d.dat");
        EXPECT_EQ(in[3].kind, FileKind::Tarif);
    }

    const auto refused = [&](std::vector<std::string> args, const std::string& says) {
        try {
            checked(args);
            ADD_FAILURE() << "accepted: " << args.back();
        } catch (const CLI::ValidationError& e) {
            EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << e.what();
        }
    };
    refused({"bda"}, "FILE: missing");
    refused({"bda", "f", "jda=g"}, "after KIND FILE");
    refused({"bda=f", "nokind=g"}, "'nokind=g'");
    refused({"bda=f", "user2000=g"}, "'user2000=g'");
    refused({"bda=", "-f", "sqlite", "-o", "x.db"}, "'bda='");
    refused({"bda=f", "jda=g"}, "--format text: takes one file");
    refused({"-f", "csv", "bda", "f", "--raw-text"}, "--raw-text");
    for (const char* format : {"sqlite", "xlsx"}) {
        if (library) {
            refused({"-f", format, "bda=f"}, "name it with -o");
        } else {
            refused({"-f", format, "-o", "x", "bda=f"},
                    "--format " + std::string(format) + ": this build of nelvo-data has no " + format + " output");
        }
    }
}

}  // namespace
