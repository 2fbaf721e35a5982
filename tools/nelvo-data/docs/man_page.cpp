#include "nelvo-data/docs/man_page.hpp"

#include <cstdint>
#include <cstdio>

#include "nelvo-data/base/console.hpp"
#include "text/ascii_case.hpp"

namespace nelvo::tool::docs {
namespace {

// Concatenation by appending ("x" + temporary trips GCC 12's -Wrestrict).
template <class... Parts>
std::string cat(const Parts&... parts)
{
    std::string s;
    (s.append(parts), ...);
    return s;
}

// Text as roff prints it literally: backslashes and hyphens escaped, every
// character beyond ASCII as \[uXXXX] (the page then reads the same in any
// locale).
std::string escape(const std::string& s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            if (s[i] == '\\') out += "\\e";
            else if (s[i] == '-') out += "\\-";
            else out += s[i];
            ++i;
            continue;
        }
        const int len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
        std::uint32_t cp = b & (0x7F >> len);
        for (int k = 1; k < len && i + static_cast<std::size_t>(k) < s.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]) & 0x3F);
        char buf[16];
        std::snprintf(buf, sizeof buf, "\\[u%04X]", static_cast<unsigned>(cp));
        out += buf;
        i += static_cast<std::size_t>(len);
    }
    return out;
}

// A text line: "\&" keeps a leading "." or "'" from reading as a request.
std::string roff(const std::string& s) { return cat("\\&", escape(s)); }
std::string bold(const std::string& s) { return cat("\\fB", escape(s), "\\fR"); }
std::string italic(const std::string& s) { return cat("\\fI", escape(s), "\\fR"); }

// "-f, --format FORMAT" in the usual type faces.
std::string option_head(const Argument& a)
{
    std::string s;
    for (const auto& n : a.aliases) s += cat(s.empty() ? "" : ", ", bold(n));
    if (!a.value_name.empty()) s += cat(" ", italic(a.value_name));
    return s;
}

std::string synopsis(const std::string& program, const Command& c)
{
    std::string s = cat(bold(program), " ", bold(c.name));
    for (const auto& a : c.positionals) {
        const std::string name = italic(a.name) + (a.repeated ? "..." : "");
        s += a.required ? cat(" ", name) : cat(" [", name, "]");
    }
    for (const auto& o : c.options) {
        if (o.name == "--help" || o.hidden) continue;
        s += cat(" [", bold(o.aliases.back()));
        if (!o.value_name.empty()) s += cat("\\~", italic(o.value_name));  // no line break between the two
        s += "]";
    }
    return s;
}

std::string described(const Argument& a)
{
    std::string s = a.description;
    if (!a.values.empty()) {
        // Unless the description names them all already.
        std::string list;
        bool named = true;
        for (const auto& v : a.values) {
            list += cat(list.empty() ? "" : ", ", v);
            named = named && s.find(v) != std::string::npos;
        }
        if (!named) s += cat(" (", list, ")");
    }
    if (!a.default_value.empty()) s += cat(" [default: ", a.default_value, "]");
    return roff(s);
}

void items(std::string& out, const std::vector<Argument>& args, bool positional)
{
    for (const auto& a : args) {
        if (a.hidden) continue;
        out += cat(".TP\n", positional ? italic(a.name) : option_head(a), "\n", described(a), "\n");
    }
}

}  // namespace

std::string man_page(const Program& p)
{
    std::string title;
    for (char ch : p.name) title += text::ascii_upper(ch);
    std::string about = p.description;
    if (!about.empty() && about.back() == '.') about.pop_back();
    if (!about.empty()) about[0] = text::ascii_lower(about[0]);

    std::string out;
    out += ".\\\" Generated from nelvo-data's command line definition (tools/nelvo-data/cli); do not edit.\n";
    out += cat(".TH ", escape(title), " 1 \"\" \"", escape(p.version), "\" \"User Commands\"\n");
    out += cat(".SH NAME\n", escape(p.name), " \\- ", escape(about), "\n");

    // Ragged and unhyphenated, so a synopsis reads as it is typed.
    out += ".SH SYNOPSIS\n.ad l\n.nh\n";
    for (const auto& c : p.commands) out += cat(".br\n", synopsis(p.name, c), "\n");
    out += ".ad\n.hy\n";

    out += cat(".SH DESCRIPTION\n", roff(p.description), "\n");
    out += ".PP\nRecord text goes to standard output byte for byte as UTF\\-8. The data files are opened "
           "read\\-only and never written.\n";

    out += ".SH OPTIONS\nThese come before or after the command.\n";
    items(out, p.options, false);

    out += ".SH COMMANDS\n";
    for (const auto& c : p.commands) {
        out += cat(".SS ", escape(c.name), "\n", roff(c.description), ".\n");
        out += ".RS\n";
        items(out, c.positionals, true);
        items(out, c.options, false);
        out += ".RE\n";
    }

    out += ".SH KINDS\nKIND names the kind of data file, in any letter case.\n";
    for (std::size_t i = 0; i < p.kinds.size(); ++i)
        out += cat(".TP\n", bold(p.kinds[i]), "\n", roff(p.kind_notes[i]), "\n");

    out += cat(".SH FORMATS\nWhat ", bold("export --format"), " writes.\n");
    for (std::size_t i = 0; i < p.formats.size(); ++i)
        out += cat(".TP\n", bold(p.formats[i]), "\n", roff(p.format_notes[i]), "\n");

    out += ".SH EXIT STATUS\n";
    out += cat(".TP\n", std::to_string(cli::exit_success), "\nSuccess.\n");
    out += cat(".TP\n", std::to_string(cli::exit_failure), "\nA failure, reported on standard error as ",
               italic("nelvo-data: FILE: DESCRIPTION (error N)"), " with the error number the component gives; also ",
               bold("check --strict"), " with warnings.\n");
    out += cat(".TP\n", std::to_string(cli::exit_usage), "\nA usage error, naming the option or argument.\n");
    out += cat(".TP\n130, 143, 129\nInterrupted (SIGINT), terminated (SIGTERM) or hung up (SIGHUP) during an "
               "export; a file named by ", bold("-o"), " is left as it was.\n");
    return out;
}

}  // namespace nelvo::tool::docs
