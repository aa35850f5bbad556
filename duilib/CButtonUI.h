// A label that can be pressed: state images (normal, hot, pushed, focused,
// disabled), an icon image drawn over them, and the "click" notification when the
// button is released over itself while enabled.
#pragma once

#include "duilib/CLabelUI.h"

namespace DuiLib {

class CButtonUI : public CLabelUI {
 public:
  CButtonUI();
  std::string GetClass() const override { return "ButtonUI"; }
  void* GetInterface(const std::string& name) override;

  bool Activate() override;
  void DoEvent(TEventUI& event) override;
  bool SetAttribute(const std::string& name, const std::string& value) override;
  void SetEnabled(bool enabled) override;

  void SetNormalImage(const std::string& image);
  const std::string& GetNormalImage() const { return m_sNormalImage; }
  void SetIconImage(const std::string& image);
  const std::string& GetIconImage() const { return m_sIconImage; }
  bool IsHot() const { return (m_uButtonState & kHot) != 0; }
  bool IsPushed() const { return (m_uButtonState & kPushed) != 0; }

 protected:
  static constexpr UINT kHot = 1, kPushed = 2, kCaptured = 4;
  void PaintStatusImage(cairo_t* cr) override;
  void PaintBkColor(cairo_t* cr) override;
  uint32_t CurrentTextColor() const override;

  UINT m_uButtonState = 0;
  std::string m_sNormalImage;
  std::string m_sHotImage;
  std::string m_sPushedImage;
  std::string m_sFocusedImage;
  std::string m_sDisabledImage;
  std::string m_sIconImage;
  uint32_t m_dwHotTextColor = 0;
  uint32_t m_dwPushedTextColor = 0;
  uint32_t m_dwHotBkColor = 0;
};

}  // namespace DuiLib
