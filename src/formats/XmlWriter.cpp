#include "formats/XmlWriter.h"

#include <cstring>

namespace {
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool EndsName(char c) { return IsSpace(c) || c == '/' || c == '>' || c == '=' || c == '<'; }
bool IsEmptyText(const char* text) { return text == nullptr || *text == '\0'; }
}  // namespace

CXmlWriter::CXmlWriter() {
  m_aPos.resize(8);
  SetDocument(nullptr);
}

void CXmlWriter::SetPosition(int parent, int current, int child) {
  m_iPosParent = parent;
  m_iPos = current;
  m_iPosChild = child;
  m_nCurrentElement = current != 0 ? 1 : 0;
}

void CXmlWriter::ResetPosition() { SetPosition(0, 0, 0); }

int CXmlWriter::NewPos() {
  if (m_iPosFree >= static_cast<int>(m_aPos.size()))
    m_aPos.resize(m_aPos.size() + m_aPos.size() / 2 + 1);
  m_aPos[m_iPosFree] = ElementPos{};
  return m_iPosFree++;
}

BOOL CXmlWriter::SetDocument(const char* text) {
  const size_t length = text != nullptr ? std::strlen(text) : 0;
  if (m_aPos.size() < length / 64 + 8) m_aPos.resize(length / 64 + 8);
  m_strError.clear();
  m_strDoc = text != nullptr ? text : "";
  m_aPos[0] = ElementPos{};
  m_iPosFree = 1;
  ResetPosition();
  if (length == 0) return FALSE;
  if (ParseElement()) return TRUE;
  // A failed parse keeps the text but indexes nothing.
  m_aPos[0] = ElementPos{};
  m_aPos[0].nEndL = static_cast<int>(m_strDoc.size());
  m_iPosFree = 1;
  return FALSE;
}

bool CXmlWriter::Fail(const std::string& text) {
  m_strError = text;
  return false;
}

bool CXmlWriter::ParseElement() {
  const std::string& d = m_strDoc;
  const size_t n = d.size();
  if (n > 0x7FFFFFF0u) return Fail("Invalid node");
  struct Open {
    int index;
    int lastChild;
  };
  std::vector<Open> stack;
  size_t pos = 0;
  bool rootDone = false;
  auto name = [&](int i) { return TagName(i); };
  while (!rootDone) {
    pos = d.find('<', pos);
    if (pos == std::string::npos) {
      if (!stack.empty())
        return Fail("End tag of " + name(stack.back().index) + " element not found");
      return Fail("Element tag not found");
    }
    if (pos + 1 >= n) return Fail("Invalid node");
    const char next = d[pos + 1];
    if (next == '?' || next == '!') {
      // Processing instruction, comment, CDATA section or declaration.
      size_t end;
      if (d.compare(pos, 4, "<!--") == 0) {
        end = d.find("-->", pos + 4);
        if (end != std::string::npos) end += 2;
      } else if (d.compare(pos, 9, "<![CDATA[") == 0) {
        end = d.find("]]>", pos + 9);
        if (end != std::string::npos) end += 2;
      } else if (next == '?') {
        end = d.find("?>", pos + 2);
        if (end != std::string::npos) end += 1;
      } else {
        int depth = 0;
        for (end = pos + 2; end < n; ++end) {
          if (d[end] == '[') ++depth;
          if (d[end] == ']') --depth;
          if (d[end] == '>' && depth <= 0) break;
        }
        if (end >= n) end = std::string::npos;
      }
      if (end == std::string::npos) return Fail("Invalid node");
      pos = end + 1;
      continue;
    }
    if (next == '/') {
      // End tag of the innermost open element.
      if (stack.empty()) return Fail("Element tag not found");
      const int i = stack.back().index;
      const std::string expected = name(i);
      size_t p = pos + 2;
      size_t q = p;
      while (q < n && !EndsName(d[q])) ++q;
      if (q == p) return Fail("Expecting end tag of element " + expected);
      if (d.compare(p, q - p, expected) != 0)
        return Fail("End tag does not correspond to " + expected);
      while (q < n && IsSpace(d[q])) ++q;
      if (q >= n || d[q] != '>') return Fail("End tag not completed for element " + expected);
      m_aPos[i].nEndL = static_cast<int>(pos);
      m_aPos[i].nEndR = static_cast<int>(q);
      stack.pop_back();
      if (stack.empty()) rootDone = true;
      pos = q + 1;
      continue;
    }
    // Start tag: the name, then attributes (white space, name, '=', a quoted
    // value), then '>' or "/>". Anything else is refused: later edits find
    // attributes and the tag's end by this form.
    if (next == '"' || next == '\'') return Fail("Tag starts with quote");
    if (EndsName(next)) return Fail("Invalid node");
    size_t q = pos + 1;
    while (q < n && !EndsName(d[q])) ++q;
    bool empty = false;
    // The fault at q: the text ended, a new tag began, or a malformed tag.
    const auto faultAt = [&](size_t at) {
      if (at >= n) return Fail("Abrupt end within tag");
      if (d[at] == '<') return Fail("End of tag not found");
      return Fail("Invalid node");
    };
    for (;;) {
      const size_t spaceStart = q;
      while (q < n && IsSpace(d[q])) ++q;
      if (q >= n) return faultAt(q);
      if (d[q] == '>') break;
      if (d[q] == '/') {
        if (q + 1 < n && d[q + 1] == '>') {
          empty = true;
          ++q;
          break;
        }
        return faultAt(q + 1);
      }
      if (q == spaceStart || EndsName(d[q]) || d[q] == '"' || d[q] == '\'') return faultAt(q);
      while (q < n && !EndsName(d[q]) && d[q] != '"' && d[q] != '\'') ++q;
      while (q < n && IsSpace(d[q])) ++q;
      if (q >= n || d[q] != '=') return faultAt(q);
      ++q;
      while (q < n && IsSpace(d[q])) ++q;
      if (q >= n || (d[q] != '"' && d[q] != '\'')) return faultAt(q);
      const size_t close = d.find(d[q], q + 1);
      if (close == std::string::npos) return faultAt(n);
      q = close + 1;
    }
    const int i = NewPos();
    ElementPos& e = m_aPos[i];
    e.nStartL = static_cast<int>(pos);
    e.nStartR = static_cast<int>(q);
    if (empty) {
      e.nEndL = static_cast<int>(q - 1);
      e.nEndR = static_cast<int>(q);
    }
    e.iElemParent = stack.empty() ? 0 : stack.back().index;
    if (stack.empty()) {
      m_aPos[0].iElemChild = i;
    } else if (stack.back().lastChild == 0) {
      m_aPos[stack.back().index].iElemChild = i;
    } else {
      m_aPos[stack.back().lastChild].iElemNext = i;
    }
    if (!stack.empty()) stack.back().lastChild = i;
    if (empty) {
      if (stack.empty()) rootDone = true;
    } else {
      stack.push_back({i, 0});
    }
    pos = q + 1;
  }
  m_aPos[0].nEndL = static_cast<int>(n);
  return true;
}

std::string CXmlWriter::TagName(int i) const {
  if (i <= 0 || i >= m_iPosFree) return {};
  size_t p = static_cast<size_t>(m_aPos[i].nStartL) + 1;
  size_t q = p;
  while (q < m_strDoc.size() && !EndsName(m_strDoc[q])) ++q;
  return m_strDoc.substr(p, q - p);
}

void CXmlWriter::ShiftSiblingsFrom(int i, int delta) {
  std::vector<int> pending;
  if (i != 0) pending.push_back(i);
  while (!pending.empty()) {
    const int k = pending.back();
    pending.pop_back();
    ElementPos& e = m_aPos[k];
    e.nStartL += delta;
    e.nStartR += delta;
    e.nEndL += delta;
    e.nEndR += delta;
    if (e.iElemNext != 0) pending.push_back(e.iElemNext);
    if (e.iElemChild != 0) pending.push_back(e.iElemChild);
  }
}

void CXmlWriter::ShiftEnclosing(int i, int pos, int delta) {
  for (int k = i; k != 0; k = m_aPos[k].iElemParent) {
    ElementPos& e = m_aPos[k];
    if (e.nStartR >= pos) e.nStartR += delta;
    if (e.nEndL >= pos) e.nEndL += delta;
    if (e.nEndR >= pos) e.nEndR += delta;
    ShiftSiblingsFrom(e.iElemNext, delta);
  }
  m_aPos[0].nEndL += delta;
}

BOOL CXmlWriter::InsertElement(bool child, const char* name, const char* value) {
  if (IsEmptyText(name)) return FALSE;
  const int level = child ? m_iPos : m_iPosParent;
  const int sibling = child ? m_iPosChild : m_iPos;
  if (child && m_iPos == 0) return FALSE;
  if (level == 0 && m_aPos[0].iElemChild != 0) return FALSE;

  std::string text = "<";
  text += name;
  if (IsEmptyText(value)) {
    text += "/>\r\n";
  } else {
    text += ">";
    text += EscapeText(value, false);
    text += "</";
    text += name;
    text += ">\r\n";
  }

  // Where it goes, and the sibling it follows (0: first child).
  int after = sibling;
  int offset;
  if (after == 0 && level != 0 && m_aPos[level].iElemChild != 0) {
    after = m_aPos[level].iElemChild;
    while (m_aPos[after].iElemNext != 0) after = m_aPos[after].iElemNext;
  }
  if (after != 0) {
    offset = m_aPos[after].nEndR + 1;
  } else if (level == 0) {
    offset = static_cast<int>(m_strDoc.size());
  } else {
    offset = m_aPos[level].nEndL;
  }
  if (after != 0 || level == 0) {
    size_t p = static_cast<size_t>(offset);
    while (p < m_strDoc.size() && IsSpace(m_strDoc[p])) ++p;
    if (p < m_strDoc.size() && m_strDoc[p] == '<') offset = static_cast<int>(p);
  }

  const int i = NewPos();  // may move m_aPos: take references only below
  ElementPos& e = m_aPos[i];
  e.iElemParent = level;
  if (after != 0) {
    e.iElemNext = m_aPos[after].iElemNext;
    m_aPos[after].iElemNext = i;
  } else {
    e.iElemNext = m_aPos[level].iElemChild;
    m_aPos[level].iElemChild = i;
  }

  const int length = static_cast<int>(text.size());
  const int nameLength = static_cast<int>(std::strlen(name));
  const auto place = [&](int at) {
    e.nStartL = at;
    if (IsEmptyText(value)) {
      e.nStartR = at + nameLength + 2;
      e.nEndL = at + nameLength + 1;
    } else {
      e.nStartR = at + nameLength + 1;
      e.nEndL = at + length - 2 - (nameLength + 3);
    }
    e.nEndR = at + length - 3;
  };

  ElementPos& lv = m_aPos[level];
  if (level != 0 && after == 0 && lv.IsEmptyElement()) {
    // Open the empty level: its "/>" becomes ">" CR LF, the child, end tag.
    const std::string parentName = TagName(level);
    const int slash = lv.nEndL;
    std::string replacement = ">\r\n" + text + "</" + parentName;
    m_strDoc.replace(static_cast<size_t>(slash), 1, replacement);
    const int delta = static_cast<int>(replacement.size()) - 1;
    place(slash + 3);
    lv.nStartR = slash;
    lv.nEndL = slash + 3 + length;
    lv.nEndR = slash + delta + 1;
    ShiftSiblingsFrom(lv.iElemNext, delta);
    if (lv.iElemParent != 0)
      ShiftEnclosing(lv.iElemParent, slash + 1, delta);
    else
      m_aPos[0].nEndL += delta;
  } else {
    if (level != 0 && after == 0 && lv.nStartR + 1 == lv.nEndL) text.insert(0, "\r\n");
    const int lead = static_cast<int>(text.size()) - length;
    m_strDoc.insert(static_cast<size_t>(offset), text);
    const int delta = static_cast<int>(text.size());
    place(offset + lead);
    ShiftSiblingsFrom(e.iElemNext, delta);
    if (level != 0)
      ShiftEnclosing(level, offset, delta);
    else
      m_aPos[0].nEndL += delta;
  }
  if (level == 0) m_aPos[0].nEndL = static_cast<int>(m_strDoc.size());

  if (child)
    SetPosition(m_iPosParent, m_iPos, i);
  else
    SetPosition(m_iPosParent, i, 0);
  return TRUE;
}

BOOL CXmlWriter::AddElement(const char* name, const char* value) {
  return InsertElement(false, name, value);
}

BOOL CXmlWriter::AddChildElement(const char* name, const char* value) {
  return InsertElement(true, name, value);
}

bool CXmlWriter::FindAttribute(int i, const std::string& name, int& valueStart,
                               int& valueEnd) const {
  const std::string& d = m_strDoc;
  size_t p = static_cast<size_t>(m_aPos[i].nStartL) + 1;
  const size_t end = static_cast<size_t>(m_aPos[i].nStartR);
  while (p < end && !EndsName(d[p])) ++p;
  while (p < end) {
    while (p < end && (IsSpace(d[p]) || d[p] == '/')) ++p;
    const size_t nameStart = p;
    while (p < end && !EndsName(d[p])) ++p;
    const std::string attr = d.substr(nameStart, p - nameStart);
    while (p < end && IsSpace(d[p])) ++p;
    if (p >= end || d[p] != '=') {
      if (p == nameStart) ++p;
      continue;
    }
    ++p;
    while (p < end && IsSpace(d[p])) ++p;
    if (p >= end) break;
    const char quote = d[p];
    size_t close;
    if (quote == '"' || quote == '\'') {
      close = d.find(quote, p + 1);
      if (close == std::string::npos || close > end) break;
      ++p;
    } else {
      close = p;
      while (close < end && !IsSpace(d[close]) && d[close] != '>' && d[close] != '/') ++close;
    }
    if (attr == name) {
      valueStart = static_cast<int>(p);
      valueEnd = static_cast<int>(close);
      return true;
    }
    p = quote == '"' || quote == '\'' ? close + 1 : close;
  }
  return false;
}

BOOL CXmlWriter::SetAttribute(const char* name, const char* value) {
  if (m_iPos == 0 || IsEmptyText(name)) return FALSE;
  const std::string escaped = EscapeText(value != nullptr ? value : "", true);
  int valueStart = 0, valueEnd = 0;
  int pos, delta;
  if (FindAttribute(m_iPos, name, valueStart, valueEnd)) {
    m_strDoc.replace(static_cast<size_t>(valueStart), static_cast<size_t>(valueEnd - valueStart),
                     escaped);
    pos = valueEnd;
    delta = static_cast<int>(escaped.size()) - (valueEnd - valueStart);
  } else {
    const ElementPos& e = m_aPos[m_iPos];
    pos = e.IsEmptyElement() ? e.nEndL : e.nStartR;
    const std::string text = std::string(" ") + name + "=\"" + escaped + "\"";
    m_strDoc.insert(static_cast<size_t>(pos), text);
    delta = static_cast<int>(text.size());
  }
  if (delta != 0) {
    ShiftSiblingsFrom(m_aPos[m_iPos].iElemChild, delta);
    ShiftEnclosing(m_iPos, pos, delta);
  }
  return TRUE;
}

BOOL CXmlWriter::EnterElement() {
  if (m_iPos == 0) return FALSE;
  SetPosition(m_iPos, m_iPosChild, 0);
  return TRUE;
}

BOOL CXmlWriter::LeaveElement() {
  if (m_iPosParent == 0) return FALSE;
  SetPosition(m_aPos[m_iPosParent].iElemParent, m_iPosParent, m_iPos);
  return TRUE;
}

BOOL CXmlWriter::FindElement(const char* name) {
  int i = m_iPos != 0 ? m_aPos[m_iPos].iElemNext : m_aPos[m_iPosParent].iElemChild;
  for (; i != 0; i = m_aPos[i].iElemNext) {
    if (IsEmptyText(name) || TagName(i) == name) {
      SetPosition(m_iPosParent, i, 0);
      return TRUE;
    }
  }
  return FALSE;
}

BOOL CXmlWriter::FindChildElement(const char* name) {
  if (m_iPos == 0) return FALSE;
  int i = m_iPosChild != 0 ? m_aPos[m_iPosChild].iElemNext : m_aPos[m_iPos].iElemChild;
  for (; i != 0; i = m_aPos[i].iElemNext) {
    if (IsEmptyText(name) || TagName(i) == name) {
      SetPosition(m_iPosParent, m_iPos, i);
      return TRUE;
    }
  }
  return FALSE;
}

std::string CXmlWriter::ElementData(int i) const {
  if (i <= 0 || i >= m_iPosFree) return {};
  const ElementPos& e = m_aPos[i];
  if (e.IsEmptyElement() || e.iElemChild != 0) return {};
  const size_t start = static_cast<size_t>(e.nStartR) + 1;
  const std::string content = m_strDoc.substr(start, static_cast<size_t>(e.nEndL) - start);
  size_t p = 0;
  while (p < content.size() && IsSpace(content[p])) ++p;
  if (content.compare(p, 9, "<![CDATA[") == 0) {
    const size_t end = content.find("]]>", p + 9);
    return content.substr(p + 9, end == std::string::npos ? std::string::npos : end - p - 9);
  }
  return UnescapeText(content);
}

std::string CXmlWriter::AttributeValue(int i, const char* name) const {
  if (i <= 0 || i >= m_iPosFree || IsEmptyText(name)) return {};
  int start = 0, end = 0;
  if (!FindAttribute(i, name, start, end)) return {};
  return UnescapeText(
      m_strDoc.substr(static_cast<size_t>(start), static_cast<size_t>(end - start)));
}

std::string CXmlWriter::EscapeText(const std::string& text, bool attribute) {
  std::string out;
  out.reserve(text.size() + text.size() / 10 + 7);
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '\'':
        out += attribute ? "&apos;" : "'";
        break;
      case '"':
        out += attribute ? "&quot;" : "\"";
        break;
      case '\n':
        // Every line of the document ends with CR LF, also inside a value.
        if (!attribute && (out.empty() || out.back() != '\r')) out += '\r';
        out += c;
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string CXmlWriter::UnescapeText(const std::string& text) {
  static const struct {
    const char* entity;
    char c;
  } kEntities[] = {{"&lt;", '<'}, {"&amp;", '&'}, {"&gt;", '>'}, {"&apos;", '\''}, {"&quot;", '"'}};
  std::string out;
  out.reserve(text.size());
  for (size_t p = 0; p < text.size(); ++p) {
    bool replaced = false;
    if (text[p] == '&') {
      for (const auto& entry : kEntities) {
        const size_t length = std::strlen(entry.entity);
        if (text.compare(p, length, entry.entity) == 0) {
          out += entry.c;
          p += length - 1;
          replaced = true;
          break;
        }
      }
    }
    if (!replaced) out += text[p];
  }
  return out;
}
