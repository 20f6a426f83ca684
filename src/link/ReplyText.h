// Searching and cutting sentences in reply text.
#pragma once

#include <cstddef>

// The first occurrence of pattern that starts within the first n bytes of
// text (never past its terminating zero); NULL when there is none.
char* FindTextWithin(char* text, const char* pattern, int n);

// The first occurrence of pattern wholly inside the n bytes at bytes, which
// may hold any byte values (line noise, zeros); NULL when there is none.
char* FindBytesWithin(char* bytes, std::size_t n, const char* pattern);

// The position offset characters after the sentence start, with the text cut
// count characters after it. Both stay inside the text: a sentence shorter
// than offset gives an empty field, and nothing past its end is written.
char* CutReplyField(char* sentence, int offset, int count);
