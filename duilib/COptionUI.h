// A button with a selected state. Options that share a group name behave as radio
// buttons: selecting one deselects the others and only the newly selected one
// sends "selectchanged"; an option without a group toggles.
#pragma once

#include "duilib/CButtonUI.h"

namespace DuiLib {

class COptionUI : public CButtonUI {
 public:
  ~COptionUI() override;
  std::string GetClass() const override { return "OptionUI"; }
  void* GetInterface(const std::string& name) override;

  const std::string& GetGroup() const { return m_sGroupName; }
  void SetGroup(const std::string& group);
  bool IsSelected() const { return m_bSelected; }
  virtual void Selected(bool selected);

  bool Activate() override;
  void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
  bool SetAttribute(const std::string& name, const std::string& value) override;

 protected:
  void PaintStatusImage(cairo_t* cr) override;
  void PaintBkColor(cairo_t* cr) override;
  uint32_t CurrentTextColor() const override;

  std::string m_sGroupName;
  bool m_bSelected = false;
  std::string m_sSelectedImage;
  std::string m_sSelectedHotImage;
  uint32_t m_dwSelectedTextColor = 0;
  uint32_t m_dwSelectedBkColor = 0;
};

}  // namespace DuiLib
