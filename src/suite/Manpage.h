#pragma once
// Manual pages in roff (man(7) macros), written by the programs themselves from the tables their
// --help prints, so the installed pages always say what the programs do.
#include <string>
#include <string_view>
#include <vector>

namespace driftline {

struct TManEntry {
    std::string term;         // shown in bold: "--root DIR", "derive"
    std::string description;  // plain text
};

struct TManSection {
    std::string title;                     // "DESCRIPTION", "OPTIONS"; upper case by convention
    std::vector<std::string> paragraphs;   // plain text paragraphs
    std::vector<TManEntry> entries;        // a tagged list after the paragraphs
    std::string preformatted;              // text kept line by line (a usage text), after the list
    std::vector<TManSection> subsections;  // shown with .SS after all of the above
};

struct TManPage {
    std::string name;  // "driftline-cli"
    int section = 1;
    std::string version;   // "3.7.1.0"
    std::string summary;   // one line for NAME: "driftline-cli \- " + summary
    std::string synopsis;  // plain text, one usage per line
    std::vector<TManSection> sections;
};

// Text safe inside a roff line: backslashes doubled as \e, hyphens as \-, and a leading "." or "'"
// guarded so it is not read as a request.
std::string RoffText(std::string_view text);

// The whole page: .TH, NAME, SYNOPSIS, then the sections in order.
std::string RenderManPage(const TManPage& page);

}  // namespace driftline

namespace driftline {

// The sections both programs' pages share: ENVIRONMENT and FILES (how the suite is found, where
// the remembered suite and the installed help live).
std::vector<TManSection> SuiteManSections();

}  // namespace driftline
