// An XML document held as one text with an index of its elements. The
// building side adds elements and attributes at a current position, one
// element per line, every line ended by CR LF; the reading side parses a
// text and navigates it. Text is 8-bit (UTF-8 or the ANSI code page).
#pragma once

#include <string>
#include <vector>

#include "platform/WinTypes.h"

// Offsets of one element in the document text, and its links in the tree.
struct ElementPos {
  int nStartL = 0;  // its '<'
  int nStartR = 0;  // the '>' ending its start tag
  int nEndL = 0;    // where its end tag begins; the '/' of "/>" when empty
  int nEndR = 0;    // its final '>'
  int nReserved = 0;
  int iElemParent = 0;
  int iElemChild = 0;
  int iElemNext = 0;
  bool IsEmptyElement() const { return nStartR == nEndL + 1; }
};

class CXmlWriter {
 public:
  CXmlWriter();
  virtual ~CXmlWriter() = default;
  CXmlWriter(const CXmlWriter&) = default;
  CXmlWriter& operator=(const CXmlWriter&) = default;

  // Empties the document (no text) or parses the text; TRUE when a root
  // element was found (otherwise GetError says why).
  BOOL SetDocument(const char* text = nullptr);
  std::string GetDocumentText() const { return m_strDoc; }
  std::string GetError() const { return m_strError; }

  // Building. A missing or empty value gives an empty-element tag.
  BOOL AddElement(const char* name, const char* value = nullptr);
  BOOL AddChildElement(const char* name, const char* value = nullptr);
  BOOL SetAttribute(const char* name, const char* value);
  BOOL EnterElement();
  BOOL LeaveElement();

  // Navigation. An empty or missing name matches any element.
  void ResetPosition();
  void ResetChildPosition() { m_iPosChild = 0; }
  BOOL FindElement(const char* name = nullptr);
  BOOL FindChildElement(const char* name = nullptr);
  std::string GetTagName() const { return TagName(m_iPos); }
  std::string GetChildTagName() const { return TagName(m_iPosChild); }
  // The element's text (the content of a leading CDATA section as is),
  // entities replaced; empty for an element with child elements.
  std::string GetData() const { return ElementData(m_iPos); }
  std::string GetChildData() const { return ElementData(m_iPosChild); }
  std::string GetAttribute(const char* name) const { return AttributeValue(m_iPos, name); }
  std::string GetChildAttribute(const char* name) const {
    return AttributeValue(m_iPosChild, name);
  }

  static std::string EscapeText(const std::string& text, bool attribute);
  static std::string UnescapeText(const std::string& text);

 protected:
  BOOL InsertElement(bool child, const char* name, const char* value);
  // Fills the index from m_strDoc; false with m_strError on the first fault.
  bool ParseElement();

 private:
  int NewPos();
  void SetPosition(int parent, int current, int child);
  std::string TagName(int i) const;
  std::string ElementData(int i) const;
  std::string AttributeValue(int i, const char* name) const;
  // Finds attribute name in the start tag of i: offsets of its value
  // (between the quotes). False when absent.
  bool FindAttribute(int i, const std::string& name, int& valueStart, int& valueEnd) const;
  // Moves every offset at or after pos that follows a change inside
  // element i (i itself, its later siblings, its ancestors' ends).
  void ShiftEnclosing(int i, int pos, int delta);
  void ShiftSiblingsFrom(int i, int delta);
  bool Fail(const std::string& text);

  std::string m_strDoc;
  std::string m_strError;
  std::vector<ElementPos> m_aPos;
  int m_iPosParent = 0;
  int m_iPos = 0;
  int m_iPosChild = 0;
  int m_iPosFree = 1;
  int m_nCurrentElement = 0;
};
