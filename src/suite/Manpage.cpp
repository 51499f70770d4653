#include "suite/Manpage.h"

#include <cctype>

namespace driftline {

namespace {

// Each line of text as its own roff line, escaped.
void AppendLines(std::string& out, std::string_view text)
{
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        out += RoffText(line);
        out += '\n';
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
}

void AppendSection(std::string& out, const TManSection& section, bool sub)
{
    out += sub ? ".SS " : ".SH ";
    out += RoffText(section.title);
    out += '\n';
    for (const std::string& paragraph : section.paragraphs) {
        out += ".PP\n";
        AppendLines(out, paragraph);
    }
    for (const TManEntry& entry : section.entries) {
        out += ".TP\n.B ";
        out += RoffText(entry.term);
        out += '\n';
        AppendLines(out, entry.description);
    }
    if (!section.preformatted.empty()) {
        // No filling or adjusting: the text keeps the columns the program prints.
        out += ".PP\n.nf\n";
        AppendLines(out, section.preformatted);
        out += ".fi\n";
    }
    for (const TManSection& subsection : section.subsections)
        AppendSection(out, subsection, true);
}

}  // namespace

std::string RoffText(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 8);
    if (!text.empty() && (text.front() == '.' || text.front() == '\''))
        out += "\\&";
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    return out;
}

std::string RenderManPage(const TManPage& page)
{
    std::string upper;
    for (char c : page.name)
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string out = std::string(".TH ") + RoffText(upper) + " " + std::to_string(page.section) +
                      " \"\" \"Driftline " + RoffText(page.version) + "\" \"User Commands\"\n";
    out += ".SH NAME\n";
    out += RoffText(page.name);
    out += " \\- ";
    out += RoffText(page.summary);
    out += '\n';
    if (!page.synopsis.empty()) {
        out += ".SH SYNOPSIS\n.nf\n";
        AppendLines(out, page.synopsis);
        out += ".fi\n";
    }
    for (const TManSection& section : page.sections)
        AppendSection(out, section, false);
    return out;
}

}  // namespace driftline

#include "suite/Suiteroot.h"

namespace driftline {

std::vector<TManSection> SuiteManSections()
{
    TManSection environment{"ENVIRONMENT", {}, {}, {}, {}};
    environment.entries = {
        {"ZVK_ROOT", "The suite folder, when no --root is given."},
        {"XDG_CONFIG_HOME", "Folder of driftline/driftline.conf, which remembers the suite chosen in the viewer; "
                            "~/.config when unset."},
    };
    TManSection files{"FILES", {SuiteRootRuleText}, {}, {}, {}};
    files.entries = {
        {"<root>/ZVK.ini", "The suite's settings (site, equinox, limits), shared with the controller; the viewer "
                           "keeps its own choices in the [Driftline] section."},
        {"<root>/Logs/*.log", "The controller's log files."},
        {"$XDG_CONFIG_HOME/driftline/driftline.conf", "The suite chosen in the viewer ([Suite] Root=...)."},
        {"share/driftline/help", "The help pages, below the installation prefix; the viewer falls back to its "
                                 "built-in copy."},
        {"share/driftline/examples/suite", "An example suite with a simulated drift scan."},
    };
    return {environment, files};
}

}  // namespace driftline
