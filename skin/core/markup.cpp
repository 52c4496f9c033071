#include "Markup.h"

#include <pugixml.hpp>

#include "skin_text.h"

using veneer::Utf8ToWide;
using veneer::WideToUtf8;

struct CMarkup::Impl {
  pugi::xml_document doc;
  bool loaded = false;
  pugi::xml_node parent;   // the level being walked
  pugi::xml_node current;  // the found element at that level; empty before the first

  void Reset() {
    parent = doc;
    current = pugi::xml_node();
  }
};

CMarkup::CMarkup() : m_pImpl(new Impl) { m_pImpl->Reset(); }

CMarkup::~CMarkup() { delete m_pImpl; }

bool CMarkup::Load(const std::wstring& path) {
  pugi::xml_parse_result r = m_pImpl->doc.load_file(path.c_str());
  m_pImpl->loaded = static_cast<bool>(r);
  if (!m_pImpl->loaded) m_pImpl->doc.reset();
  m_pImpl->Reset();
  return m_pImpl->loaded;
}

bool CMarkup::SetDoc(const std::string& utf8Text) {
  pugi::xml_parse_result r = m_pImpl->doc.load_buffer(utf8Text.data(), utf8Text.size());
  m_pImpl->loaded = static_cast<bool>(r);
  if (!m_pImpl->loaded) m_pImpl->doc.reset();
  m_pImpl->Reset();
  return m_pImpl->loaded;
}

bool CMarkup::IsWellFormed() const { return m_pImpl->loaded; }

bool CMarkup::FindElem(const std::wstring& name) {
  std::string want = WideToUtf8(name);
  pugi::xml_node n = m_pImpl->current ? m_pImpl->current.next_sibling() : m_pImpl->parent.first_child();
  for (; n; n = n.next_sibling()) {
    if (n.type() != pugi::node_element) continue;
    if (want.empty() || want == n.name()) {
      m_pImpl->current = n;
      return true;
    }
  }
  return false;
}

bool CMarkup::IntoElem() {
  if (!m_pImpl->current) return false;
  m_pImpl->parent = m_pImpl->current;
  m_pImpl->current = pugi::xml_node();
  return true;
}

bool CMarkup::OutOfElem() {
  if (m_pImpl->parent == m_pImpl->doc) return false;
  m_pImpl->current = m_pImpl->parent;
  m_pImpl->parent = m_pImpl->parent.parent();
  return true;
}

void CMarkup::ResetPos() { m_pImpl->Reset(); }

std::wstring CMarkup::GetTagName() const {
  return m_pImpl->current ? Utf8ToWide(m_pImpl->current.name()) : std::wstring();
}

std::wstring CMarkup::GetAttrib(const std::wstring& name) const {
  if (!m_pImpl->current) return std::wstring();
  return Utf8ToWide(m_pImpl->current.attribute(WideToUtf8(name).c_str()).value());
}
