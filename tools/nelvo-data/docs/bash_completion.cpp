#include "nelvo-data/docs/bash_completion.hpp"

#include <algorithm>

namespace nelvo::tool::docs {
namespace {

std::string joined(const std::vector<std::string>& words, const char* between = " ")
{
    std::string s;
    for (const auto& w : words) s += (s.empty() ? "" : between) + w;
    return s;
}

// The spellings of `options` not already among `known`: every one that
// takes a value (hidden ones too, so their values are skipped), or every
// one offered (hidden ones left out).
std::vector<std::string> spellings(const std::vector<Argument>& options, bool with_value,
                                   const std::vector<std::string>& known = {})
{
    std::vector<std::string> s;
    for (const auto& o : options) {
        if (with_value ? o.value_name.empty() : o.hidden) continue;
        for (const auto& n : o.aliases)
            if (std::find(known.begin(), known.end(), n) == known.end()) s.push_back(n);
    }
    return s;
}

// The shell command that offers what `a` takes: its values, file names, or nothing.
std::string offer(const Argument& a)
{
    if (!a.values.empty()) return "_nelvo_data_offer \"" + joined(a.values) + "\"";
    if (a.path) return "_nelvo_data_offer_files";
    return "";
}

// One case pattern per spelling: "export -f"|"export --format".
std::string patterns(const std::string& command, const Argument& a)
{
    std::vector<std::string> p;
    for (const auto& n : a.aliases) p.push_back("\"" + (command.empty() ? std::string("*") : command) + " " + n + "\"");
    return joined(p, "|");
}

}  // namespace

std::string bash_completion(const Program& p)
{
    std::string commands;
    for (const auto& c : p.commands) commands += (commands.empty() ? "" : " ") + c.name;

    std::string out =
        "# bash completion for nelvo-data; generated from its command line definition, do not edit.\n"
        "\n"
        "_nelvo_data_offer()\n"
        "{\n"
        "    mapfile -t COMPREPLY < <(compgen -W \"$1\" -- \"$cur\")\n"
        "}\n"
        "\n"
        "_nelvo_data_offer_files()\n"
        "{\n"
        "    compopt -o filenames 2>/dev/null\n"
        "    mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")\n"
        "}\n"
        "\n"
        "# Sets the options the command line takes once COMMAND (empty: none yet) is known.\n"
        "_nelvo_data_spec()\n"
        "{\n"
        "    options=\"" + joined(spellings(p.options, false)) + "\"\n"
        "    value_options=\"" + joined(spellings(p.options, true)) + "\"\n"
        "    case $1 in\n";
    // Options before the command hold after it as well (CLI11's fallthrough).
    const auto global = spellings(p.options, false);
    for (const auto& c : p.commands) {
        const auto offered = spellings(c.options, false, global);
        const auto valued = spellings(c.options, true, global);
        if (offered.empty() && valued.empty()) continue;
        out += "    " + c.name + ")\n";
        if (!offered.empty()) out += "        options+=\" " + joined(offered) + "\"\n";
        if (!valued.empty()) out += "        value_options+=\" " + joined(valued) + "\"\n";
        out += "        ;;\n";
    }
    out += "    esac\n"
           "}\n"
           "\n"
           "_nelvo_data()\n"
           "{\n"
           "    local cur=${COMP_WORDS[COMP_CWORD]} command=\"\" positional=0 value_of=\"\" word i\n"
           "    local options value_options\n"
           "    _nelvo_data_spec \"\"\n"
           "    COMPREPLY=()\n"
           "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
           "        word=${COMP_WORDS[i]}\n"
           "        if [[ $word == -?* ]]; then\n"
           "            if [[ $word != *=* && \" $value_options \" == *\" $word \"* ]]; then\n"
           "                if ((i + 1 == COMP_CWORD)); then value_of=$word; fi\n"
           "                ((i++))\n"
           "            fi\n"
           "        elif [[ -z $command ]]; then\n"
           "            command=$word\n"
           "            _nelvo_data_spec \"$command\"\n"
           "        else\n"
           "            ((positional++))\n"
           "        fi\n"
           "    done\n"
           "\n"
           "    if [[ -n $value_of ]]; then\n"
           "        case \"$command $value_of\" in\n";
    for (const auto& o : p.options)
        if (!o.value_name.empty() && !offer(o).empty()) out += "        " + patterns("", o) + ") " + offer(o) + " ;;\n";
    for (const auto& c : p.commands)
        for (const auto& o : c.options)
            if (!o.value_name.empty() && !offer(o).empty())
                out += "        " + patterns(c.name, o) + ") " + offer(o) + " ;;\n";
    out += "        esac\n"
           "        return 0\n"
           "    fi\n"
           "    if [[ $cur == -* ]]; then\n"
           "        _nelvo_data_offer \"$options\"\n"
           "        return 0\n"
           "    fi\n"
           "    if [[ -z $command ]]; then\n"
           "        _nelvo_data_offer \"" + commands + "\"\n"
           "        return 0\n"
           "    fi\n"
           "    case \"$command $positional\" in\n";
    for (const auto& c : p.commands)
        for (std::size_t i = 0; i < c.positionals.size(); ++i)
            if (!offer(c.positionals[i]).empty()) {
                // A positional taking several values is the last: it takes every word from its place on.
                const std::string at = c.positionals[i].repeated ? "\"*" : std::to_string(i) + "\"";
                out += "    \"" + c.name + " " + at + ") " + offer(c.positionals[i]) + " ;;\n";
            }
    out += "    esac\n"
           "    return 0\n"
           "}\n"
           "\n"
           "complete -F _nelvo_data " + p.name + "\n";
    return out;
}

}  // namespace nelvo::tool::docs
