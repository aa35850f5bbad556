// Builds a control tree from an XML skin:
//   <Window size="w,h" caption="l,t,r,b" roundcorner="x,y">
//     <Font name="..." size="12" bold="true" default="true"/>
//     <Default name="Button" value="attribute list"/>
//     <VerticalLayout ...> controls ... </VerticalLayout>
//   </Window>
// Elements are named after their class without the C prefix and the UI suffix;
// the callback creates the program's own classes. A broken file, an unknown
// class, a control nested in a non-container or a missing image fails the build
// with a message naming the file and line. Bad attribute values are logged and
// ignored.
#pragma once

#include <pugixml.hpp>
#include <string>

namespace DuiLib {

class CControlUI;
class CPaintManagerUI;
class IDialogBuilderCallback;

class CDialogBuilder {
 public:
  // xml: a skin file name (relative to the resource path, or absolute), or the
  // skin text itself when it starts with '<'. type is accepted for the resource
  // kind and not needed for files. Returns the root control (not yet attached)
  // or null; the tree is added to parent when one is given.
  CControlUI* Create(const std::string& xml, const std::string& type = "",
                     IDialogBuilderCallback* callback = nullptr, CPaintManagerUI* manager = nullptr,
                     CControlUI* parent = nullptr);
  const std::string& GetLastErrorMessage() const { return m_sError; }
  // A new control of one of the toolkit's own classes, or null.
  static CControlUI* CreateBuiltinControl(const std::string& className);

 private:
  bool Load(const std::string& xml);
  void ApplyWindowAttributes(const pugi::xml_node& node, CPaintManagerUI* manager);
  void AddFont(const pugi::xml_node& node, CPaintManagerUI* manager);
  CControlUI* ParseControl(const pugi::xml_node& node, CPaintManagerUI* manager);
  bool ParseChildren(const pugi::xml_node& node, CControlUI* control, CPaintManagerUI* manager);
  bool CheckImages(const pugi::xml_node& node);
  bool Fail(const pugi::xml_node& node, const std::string& what);
  int LineOf(ptrdiff_t offset) const;

  std::string m_sSource;
  std::string m_sText;
  pugi::xml_document m_doc;
  IDialogBuilderCallback* m_pCallback = nullptr;
  std::string m_sError;
};

}  // namespace DuiLib
