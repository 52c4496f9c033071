// CMarkup: a read-only XML cursor over pugixml. The position is one element among the
// siblings of the current level; FindElem moves forward from it, IntoElem steps to the
// children of the found element and OutOfElem back to that element.
#pragma once

#include <string>

#include "VeneerExport.h"

class VENEER_API CMarkup {
 public:
  CMarkup();
  ~CMarkup();
  CMarkup(const CMarkup&) = delete;
  CMarkup& operator=(const CMarkup&) = delete;

  bool Load(const std::wstring& path);
  bool SetDoc(const std::string& utf8Text);
  bool IsWellFormed() const;

  // Next sibling element after the current position with this tag (any tag when empty).
  // When none follows, the position stays where it was.
  bool FindElem(const std::wstring& name = std::wstring());
  bool IntoElem();
  bool OutOfElem();
  void ResetPos();

  std::wstring GetTagName() const;
  std::wstring GetAttrib(const std::wstring& name) const;  // empty when missing

 private:
  struct Impl;
  Impl* m_pImpl;
};
