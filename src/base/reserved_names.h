// The names the program gives the files it makes beside the user's: a -$
// temporary, an append note (see store/append_note.h) and the marker of a
// -R -$ output directory. One place makes them, and recognises those a
// sweep removes, so that the code that sweeps up what a killed run left
// takes exactly what the writers made, on every platform.

#ifndef SWU_BASE_RESERVED_NAMES_H_
#define SWU_BASE_RESERVED_NAMES_H_

#include <cstdint>
#include <string>

namespace swu {

// Mixes |process| (the process's number), |clock| (a clock reading) and
// |count| (how many names the process drew before) into the bits of a new
// name, so that two processes, or two calls of one, rarely draw the same.
uint64_t NameBits(uint64_t process, uint64_t clock, uint64_t count);

// True when |name| begins as every name above and every journal's does.
bool HasReservedPrefix(const char* name);

// A temporary: ".swu-" and eight lower-case hex digits made of |bits|.
std::string TemporaryName(uint64_t bits);
// True for a name TemporaryName makes (never for a journal's or a note's).
bool IsTemporaryName(const std::string& name);

// The append note of the output file whose identity is |device| and
// |file_number|: ".swu-append-" and sixteen hex digits.
std::string AppendNoteName(uint64_t device, uint64_t file_number);
// What every append note's name begins with.
extern const char kAppendNotePrefix[];

// The marker: eight capital letters and ".SWU". |draws| are eight draws
// (0 to 32767) of a random source; each byte of |bits| shifts a letter, 0
// keeping the name the draws alone give.
std::string MarkerName(const int draws[8], uint64_t bits);

}  // namespace swu

#endif  // SWU_BASE_RESERVED_NAMES_H_
