// Help texts. They are fixed: changed special characters and other
// settings never show in them.

#include "report/help_screen.h"

#include <cstring>

namespace swu {

namespace {

void Print(Console* console, const char* text) {
  console->Print(text, strlen(text));
}

void PrintAll(Console* console, const char* const* lines) {
  for (; *lines != nullptr; ++lines) Print(console, *lines);
}

// The banner up to the console's tag, and after it.
const char* const kBannerStart[] = {
    "SW", " Multi-file", " Utility v1.79ZD", "+", " ", "[TURBO] ", nullptr,
};
const char* const kBannerEnd[] = {"(C) SWU developers\n", nullptr};

const char kCommandLine[] =
    "\nCommand line: SWU <filespec> [-L ]<search for>[ [-L ]<new info>]"
    "[ -switches]\n";

const char* const kPage1[] = {
    "Basic switches:\n",
    "-A -I  Append/Insert the new string instead of replacing the search "
    "string\n",
    "       You must give the new string if using -A or -I\n",
    "-C     Perform a case sensitive search (without -C case is ignored)\n",
    "-D[:P] Make SWU work in whole lines -D:P Preserve empty lines\n",
    "       -D:L to preserve Left hand /D:R Right hand contents of line\n",
    "-H[:x] This help; -H:2 or -H:3 for more, :A for All :P for Paged, :V Ver "
    "string\n",
    "-O     Overwrite bytes after the search string if the new string is "
    "longer\n",
    "       Has no effect if you use -A or -I\n",
    "-U -M  Write (Un)modified lines of the file only\n",
    "-R     Process subdirectories\n",
    "-S     Stop SWU on the first error    -P     Pause before ending\n",
    "-V[:x] Verbosity level max [:0]-silent [:1]-quiet [:2]-default "
    "[:3]-max\n",
    "-n[:b] Where n is the special char. to disable [or change to byte b]\n",
    "Special characters:         (recommend use double quotes to enclose "
    "args)\n-1     @ in <search> is a wildcard\n-2     & in <new> will be "
    "replaced by <search>\n",
    "-3     # at start of <search> only matches at start of line\n",
    "-4     ! at end of <search> only matches at end of line\n",
    "# at start and ! at end only matches if <search> is entire line     ",
    "{CR:OWC}\n",
    "--diff         Write nothing; print the changes as a unified diff\n",
    "--files-from F Process the files listed in F (- for stdin), no "
    "<filespec>\n",
    "--skip-binary  Pass over files with a NUL byte in their first 8 KiB\n",
    "--word         Match only where no letter, digit or _ touches the match\n",
    "man swu: --files0-from --recover --sync --color --threads "
    "SWU_OPTIONS\n",
    nullptr,
};

const char* const kPage2[] = {
    "Further Switches:\n",
    "-B -T  If no matches, add new string to the Begining / Tag to the end of "
    "file\n",
    "[:C]   Use with -D to add whole lines. Use :C to create file if not exist "
    "or RO\n",
    "-G -E  NEXT separate arg is text arg/from environment -GE Environment "
    "first\n",
    "-K:mC  Put a special func char. in new - m for mode and C for char to "
    "replace\n",
    "-K:RM  Reset /K randomisation every Match",
    " or /K:RF for every File only",
    "\n",
    "-#:a   Specify matches - O-Odd, E-Even, L-Last, I-Ignore 1st, J-ignore "
    "last\n",
    "       a,a,a match list (up to 10). -#:0 to report only, -#:R report or "
    "error.\n",
    "-N[:x] Pad ASCII byte to the RHS of <new>\n",
    "-W[:x] Use with -B -T to change wildcards in <new>\n",
    "-'     Changes ' in the new string to \"\n",
    "-X     With -D and the & spec. char in <new>, & becomes a whole line\n",
    "-Z     See Help file     -&[:a] Change which case is used for & in new "
    "string\n",
    "-$[:m] Next text arg output dir [:B allow appnd :F single file :A appnd "
    "single]\n",
    "-~     Disable intelligent file writing (-$ forces this anyway)\n",
    "--diff Write nothing; show the changes as a unified diff on stdout\n",
    "SWU Returns a DOS Errorlevel:\n",
    "0-Normal               3-Not enough init mem      6-Cant create "
    "file/dir\n",
    "1-No Files to process  4-Some files failed        7-Cant load "
    "search/new\n",
    "2-Bad cmd line info    5-Cant read dir structure\n",
    nullptr,
};

const char* const kPage3[] = {
    "\nPlease note that this program is supplied without warranties, "
    "guarantees or\nindemnities; implied or otherwise. ",
    "Usage of this program is entirely at the\nrisk of the user. ",
    "Other additional terms may apply as specified in the license\nagreement "
    "or web site.\n",
    // Contact block: who to contact, the web address, the support address.
    "\nFor questions and suggestions please contact the SWU developers.\n",
    "\nWeb site: www.example.invalid\n",
    "Support:  support@example.invalid\n",
    nullptr,
};

// Waits for one key between two pages.
void Pause(Console* console) {
  Print(console, "- Press any key to continue -");
  console->ReadKey();
  Print(console, "\n\n");
}

}  // namespace

void PrintBanner(const char* tag, Console* console) {
  PrintAll(console, kBannerStart);
  Print(console, "[");
  Print(console, tag);
  Print(console, "] ");
  PrintAll(console, kBannerEnd);
}

void PrintHelp(char page, Console* console) {
  switch (page) {
    case '1':
      Print(console, kCommandLine);
      PrintAll(console, kPage1);
      break;
    case '2':
      Print(console, kCommandLine);
      PrintAll(console, kPage2);
      break;
    case '3':
      PrintAll(console, kPage3);
      break;
    case 'A':
    case 'P':
      Print(console, kCommandLine);
      PrintAll(console, kPage1);
      page == 'A' ? Print(console, "\n") : Pause(console);
      PrintAll(console, kPage2);
      page == 'A' ? Print(console, "\n") : Pause(console);
      PrintAll(console, kPage3);
      break;
    default:
      break;  // 'V': the banner alone is the version string.
  }
}

}  // namespace swu
