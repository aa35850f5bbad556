// Builds the controls of the pages' list rows in code, each from an attribute
// list in the toolkit's syntax.
#pragma once

#include <string>

#include "duilib/CContainerUI.h"
#include "duilib/CLabelUI.h"

class CItemBuilder {
 public:
  // A new control of the toolkit class T with the attribute list applied.
  template <class T>
  static T* Make(const std::string& attributes) {
    T* control = new T;
    control->ApplyAttributeList(attributes);
    return control;
  }
  // A layout (or plain container) with one attribute, e.g. ("height", "8").
  template <class T = DuiLib::CContainerUI>
  static T* Sized(const char* name, const char* value) {
    T* control = new T;
    control->SetAttribute(name, value);
    return control;
  }
  // The large file-type icon of a file name.
  static DuiLib::CLabelUI* Icon(const std::string& fileName);
  static DuiLib::CLabelUI* Text(const std::string& attributes, const std::string& name,
                                const std::string& text);
  // A row of height 1 holding the separator label.
  static DuiLib::CContainerUI* Separator(const std::string& labelAttributes);
};
