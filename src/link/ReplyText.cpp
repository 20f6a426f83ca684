#include "link/ReplyText.h"

#include <algorithm>
#include <cstring>

char* FindTextWithin(char* text, const char* pattern, int n) {
  if (!text || !pattern) return nullptr;
  const std::size_t len = std::strlen(pattern);
  for (int i = 0; i < n && text[i]; ++i)
    if (std::strncmp(text + i, pattern, len) == 0) return text + i;
  return nullptr;
}

char* FindBytesWithin(char* bytes, std::size_t n, const char* pattern) {
  if (!bytes || !pattern) return nullptr;
  const std::size_t len = std::strlen(pattern);
  char* found = std::search(bytes, bytes + n, pattern, pattern + len);
  return found == bytes + n ? nullptr : found;
}

char* CutReplyField(char* sentence, int offset, int count) {
  const std::size_t len = std::strlen(sentence);
  const std::size_t start =
      std::min<std::size_t>(static_cast<std::size_t>(std::max(offset, 0)), len);
  const std::size_t end = start + static_cast<std::size_t>(std::max(count, 0));
  if (end < len) sentence[end] = '\0';
  return sentence + start;
}
