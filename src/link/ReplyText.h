// Searching and cutting sentences in the zero-terminated reply text.
#pragma once

// The first occurrence of pattern that starts within the first n bytes of
// text (never past its terminating zero); NULL when there is none.
char* FindTextWithin(char* text, const char* pattern, int n);

// The position offset characters after the sentence start, with the text cut
// count characters after it. Both stay inside the text: a sentence shorter
// than offset gives an empty field, and nothing past its end is written.
char* CutReplyField(char* sentence, int offset, int count);
