// Manual pages: texts that would be read as roff requests or escapes must come out as typed.
#include "suite/Manpage.h"

#include <gtest/gtest.h>

namespace driftline {
namespace {

TEST(ManPage, RoffTextEscapes)
{
    struct Case {
        const char* text;
        const char* roff;
    };
    const Case cases[] = {
        {"plain words", "plain words"},
        {"--root DIR", "\\-\\-root DIR"},  // hyphens, not typographic dashes
        {"C:\\Suite", "C:\\eSuite"},       // a backslash would start an escape
        {".log files", "\\&.log files"},   // a leading dot would be a request
        {"'quoted'", "\\&'quoted'"},       // so would a leading apostrophe
        {"a .b 'c", "a .b 'c"},            // only at the start of a line
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RoffText(c.text), c.roff) << c.text;
}

TEST(ManPage, PageLayout)
{
    TManPage page;
    page.name = "tool";
    page.version = "1.2";
    page.summary = "does things";
    page.synopsis = "tool -x\ntool .y";
    TManSection options{"OPTIONS", {"First.", "Second\n.line"}, {{"-x", "the x"}}, "  col1  col2\n.keep", {}};
    options.subsections.push_back({"sub", {}, {}, "usage: tool sub", {}});
    page.sections = {options};
    const std::string expected = ".TH TOOL 1 \"\" \"Driftline 1.2\" \"User Commands\"\n"
                                 ".SH NAME\ntool \\- does things\n"
                                 ".SH SYNOPSIS\n.nf\ntool \\-x\ntool .y\n.fi\n"
                                 ".SH OPTIONS\n.PP\nFirst.\n.PP\nSecond\n\\&.line\n"
                                 ".TP\n.B \\-x\nthe x\n"
                                 ".PP\n.nf\n  col1  col2\n\\&.keep\n.fi\n"
                                 ".SS sub\n.PP\n.nf\nusage: tool sub\n.fi\n";
    EXPECT_EQ(RenderManPage(page), expected);
}

}  // namespace
}  // namespace driftline
