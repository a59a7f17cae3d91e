// The banner line and the help pages. The driver decides when they are
// shown (verbosity, -H); these functions only print.
//
// Tested by tests/e2e/cases/help.cases.

#ifndef SWU_REPORT_HELP_SCREEN_H_
#define SWU_REPORT_HELP_SCREEN_H_

#include "platform/console.h"

namespace swu {

// Prints the one-line banner: product, version, tags and notice. |tag|
// is the system's (SystemRules::BannerTag), without its brackets.
void PrintBanner(const char* tag, Console* console);

// Prints the help for |page| (the -H value): '1' or '2' (the command-line
// line and that page), '3' (page 3 alone), 'A' (all pages, an empty line
// between them), 'P' (all pages, waiting for a key between them) or 'V'
// (nothing: the banner is the version string).
void PrintHelp(char page, Console* console);

}  // namespace swu

#endif  // SWU_REPORT_HELP_SCREEN_H_
