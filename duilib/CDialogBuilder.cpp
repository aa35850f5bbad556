#include "duilib/CDialogBuilder.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "duilib/CBoxLayoutUI.h"
#include "duilib/CButtonUI.h"
#include "duilib/CContainerUI.h"
#include "duilib/CImageString.h"
#include "duilib/CLabelUI.h"
#include "duilib/CListContainerElementUI.h"
#include "duilib/CListUI.h"
#include "duilib/COptionUI.h"
#include "duilib/CPaintManagerUI.h"
#include "duilib/CProgressUI.h"
#include "duilib/CRenderEngine.h"
#include "duilib/CTabLayoutUI.h"
#include "duilib/CUIAttributes.h"
#include "duilib/IDialogBuilderCallback.h"
#include "log/KvLog.h"

namespace DuiLib {
namespace {

const char* const kImageAttributes[] = {"bkimage",     "normalimage",   "hotimage",
                                        "pushedimage", "focusedimage",  "disabledimage",
                                        "iconimage",   "selectedimage", "selectedhotimage",
                                        "foreimage",   "checkimg"};

bool IsImageAttribute(const char* name) {
  return std::any_of(std::begin(kImageAttributes), std::end(kImageAttributes),
                     [name](const char* a) { return std::strcmp(a, name) == 0; });
}

bool AttrBool(const pugi::xml_node& node, const char* name) {
  bool b = false;
  return CUIAttributes::ParseBool(node.attribute(name).as_string(), &b) && b;
}

}  // namespace

CControlUI* CDialogBuilder::CreateBuiltinControl(const std::string& className) {
  static const std::map<std::string, std::function<CControlUI*()>> kFactories = {
      {"Control", [] { return new CControlUI; }},
      {"Container", [] { return new CContainerUI; }},
      {"VerticalLayout", [] { return new CVerticalLayoutUI; }},
      {"HorizontalLayout", [] { return new CHorizontalLayoutUI; }},
      {"TabLayout", [] { return new CTabLayoutUI; }},
      {"Label", [] { return new CLabelUI; }},
      {"Text", [] { return new CTextUI; }},
      {"Button", [] { return new CButtonUI; }},
      {"Option", [] { return new COptionUI; }},
      {"Progress", [] { return new CProgressUI; }},
      {"List", [] { return new CListUI; }},
      {"ListContainerElement", [] { return new CListContainerElementUI; }},
  };
  auto it = kFactories.find(className);
  return it == kFactories.end() ? nullptr : it->second();
}

bool CDialogBuilder::Fail(const pugi::xml_node& node, const std::string& what) {
  m_sError = m_sSource + ":" + std::to_string(LineOf(node.offset_debug())) + ": " + what;
  KV_ERROR("DuiLib", "skin not built: %s", m_sError.c_str());
  return false;
}

int CDialogBuilder::LineOf(ptrdiff_t offset) const {
  if (offset < 0) return 0;
  const size_t end = std::min(static_cast<size_t>(offset), m_sText.size());
  return 1 + static_cast<int>(std::count(m_sText.begin(), m_sText.begin() + end, '\n'));
}

bool CDialogBuilder::Load(const std::string& xml) {
  const size_t first = xml.find_first_not_of(" \t\r\n");
  if (first != std::string::npos && xml[first] == '<') {
    m_sSource = "(skin text)";
    m_sText = xml;
  } else {
    m_sSource = (!xml.empty() && xml[0] == '/') ? xml : CPaintManagerUI::GetResourcePath() + xml;
    std::ifstream in(m_sSource, std::ios::binary);
    if (!in) {
      m_sError = m_sSource + ":0: the skin file cannot be read";
      KV_ERROR("DuiLib", "skin not built: %s", m_sError.c_str());
      return false;
    }
    std::ostringstream content;
    content << in.rdbuf();
    m_sText = content.str();
  }
  const pugi::xml_parse_result result = m_doc.load_buffer(m_sText.data(), m_sText.size());
  if (!result) {
    m_sError = m_sSource + ":" + std::to_string(LineOf(result.offset)) +
               ": XML error: " + result.description();
    KV_ERROR("DuiLib", "skin not built: %s", m_sError.c_str());
    return false;
  }
  return true;
}

CControlUI* CDialogBuilder::Create(const std::string& xml, const std::string& /*type*/,
                                   IDialogBuilderCallback* callback, CPaintManagerUI* manager,
                                   CControlUI* parent) {
  m_sError.clear();
  m_pCallback = callback;
  if (!Load(xml)) return nullptr;
  pugi::xml_node root = m_doc.document_element();
  if (root.empty()) {
    Fail(root, "the skin holds no element");
    return nullptr;
  }
  pugi::xml_node first = root;
  if (std::strcmp(root.name(), "Window") == 0) {
    first = pugi::xml_node();
    for (pugi::xml_node child : root.children()) {
      if (child.type() != pugi::node_element) continue;
      if (std::strcmp(child.name(), "Font") == 0 || std::strcmp(child.name(), "Default") == 0 ||
          std::strcmp(child.name(), "Image") == 0)
        continue;
      if (first) {
        Fail(child, "a window holds one root control");
        return nullptr;
      }
      first = child;
    }
    if (!first) {
      Fail(root, "the window holds no control");
      return nullptr;
    }
    if (manager != nullptr) ApplyWindowAttributes(root, manager);
  }
  CControlUI* control = ParseControl(first, manager);
  if (control == nullptr) return nullptr;
  if (parent != nullptr) {
    auto* container = static_cast<CContainerUI*>(parent->GetInterface("Container"));
    if (container == nullptr) {
      delete control;
      Fail(first, "the parent control cannot hold controls");
      return nullptr;
    }
    if (!container->Add(control)) {
      delete control;
      Fail(first, "the parent control does not take '" + std::string(first.name()) + "'");
      return nullptr;
    }
  }
  return control;
}

void CDialogBuilder::ApplyWindowAttributes(const pugi::xml_node& node, CPaintManagerUI* manager) {
  for (pugi::xml_node child : node.children()) {
    if (std::strcmp(child.name(), "Font") == 0) AddFont(child, manager);
    if (std::strcmp(child.name(), "Default") == 0)
      manager->AddDefaultAttributeList(child.attribute("name").as_string(),
                                       child.attribute("value").as_string());
  }
  for (pugi::xml_attribute attr : node.attributes()) {
    const std::string name = attr.name();
    const std::string value = attr.value();
    SIZE size;
    RECT rc;
    if ((name == "size" || name == "roundcorner" || name == "mininfo" || name == "maxinfo") &&
        CUIAttributes::ParseSize(value, &size)) {
      if (name == "size") manager->SetInitSize(size.cx, size.cy);
      if (name == "roundcorner") manager->SetRoundCorner(size.cx, size.cy);
      if (name == "mininfo") manager->SetMinInfo(size.cx, size.cy);
    } else if (name == "caption" && CUIAttributes::ParseRect(value, &rc)) {
      manager->SetCaptionRect(rc);
    } else if (name != "sizebox" && name != "bktrans" && name != "showdirty" && name != "alpha" &&
               name != "title") {
      KV_ERROR("DuiLib", "%s:%d: window attribute %s=\"%s\" ignored", m_sSource.c_str(),
               LineOf(node.offset_debug()), name.c_str(), value.c_str());
    }
  }
}

void CDialogBuilder::AddFont(const pugi::xml_node& node, CPaintManagerUI* manager) {
  const std::string family = node.attribute("name").as_string("Sans");
  int size = 12;
  if (!CUIAttributes::ParseInt(node.attribute("size").as_string("12"), &size) || size <= 0) {
    KV_ERROR("DuiLib", "%s:%d: bad font size, 12 used", m_sSource.c_str(),
             LineOf(node.offset_debug()));
    size = 12;
  }
  const bool bold = AttrBool(node, "bold");
  const bool underline = AttrBool(node, "underline");
  const bool italic = AttrBool(node, "italic");
  manager->AddFont(family, size, bold, underline, italic);
  if (AttrBool(node, "default")) manager->SetDefaultFont(family, size, bold, underline, italic);
}

bool CDialogBuilder::CheckImages(const pugi::xml_node& node) {
  for (pugi::xml_attribute attr : node.attributes()) {
    if (!IsImageAttribute(attr.name()) || attr.value()[0] == '\0') continue;
    CImageString image;
    std::string error;
    if (!image.Parse(attr.value(), &error)) continue;  // logged as a bad value when applied
    const std::string path = CPaintManagerUI::GetResourcePath() + image.File();
    if (!CRenderEngine::ImageFileExists(path))
      return Fail(node, "image '" + image.File() + "' of attribute '" + attr.name() +
                            "' not found (" + path + ")");
  }
  return true;
}

CControlUI* CDialogBuilder::ParseControl(const pugi::xml_node& node, CPaintManagerUI* manager) {
  const std::string className = node.name();
  CControlUI* control = CreateBuiltinControl(className);
  if (control == nullptr && m_pCallback != nullptr) control = m_pCallback->CreateControl(className);
  if (control == nullptr) {
    Fail(node, "unknown control class '" + className + "'");
    return nullptr;
  }
  if (!CheckImages(node)) {
    delete control;
    return nullptr;
  }
  if (manager != nullptr) {
    const std::string defaults = manager->GetDefaultAttributeList(className);
    if (!defaults.empty()) control->ApplyAttributeList(defaults);
  }
  for (pugi::xml_attribute attr : node.attributes())
    control->SetAttribute(attr.name(), attr.value());
  if (!ParseChildren(node, control, manager)) {
    delete control;
    return nullptr;
  }
  return control;
}

bool CDialogBuilder::ParseChildren(const pugi::xml_node& node, CControlUI* control,
                                   CPaintManagerUI* manager) {
  auto* container = static_cast<CContainerUI*>(control->GetInterface("Container"));
  for (pugi::xml_node child : node.children()) {
    if (child.type() != pugi::node_element) continue;
    if (container == nullptr)
      return Fail(child, "'" + std::string(node.name()) + "' cannot hold controls");
    CControlUI* sub = ParseControl(child, manager);
    if (sub == nullptr) return false;
    if (!container->Add(sub)) {
      delete sub;
      return Fail(child, "'" + std::string(node.name()) + "' does not take '" + child.name() + "'");
    }
  }
  return true;
}

}  // namespace DuiLib
