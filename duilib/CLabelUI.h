// A control that shows one line of text: alignment, colours, font, text padding.
// "showhtml" is accepted; texts are drawn as they are (no inline formatting tags).
#pragma once

#include "duilib/CControlUI.h"
#include "duilib/CRenderEngine.h"

namespace DuiLib {

class CLabelUI : public CControlUI {
 public:
  std::string GetClass() const override { return "LabelUI"; }
  void* GetInterface(const std::string& name) override;

  UINT GetTextStyle() const { return m_uTextStyle; }
  void SetTextStyle(UINT style);
  uint32_t GetTextColor() const { return m_dwTextColor; }
  void SetTextColor(uint32_t argb);
  int GetFont() const { return m_iFont; }
  void SetFont(int index);
  bool IsShowHtml() const { return m_bShowHtml; }
  const RECT& GetTextPadding() const { return m_rcTextPadding; }

  SIZE EstimateSize(SIZE available) override;
  bool SetAttribute(const std::string& name, const std::string& value) override;

 protected:
  void PaintText(cairo_t* cr) override;
  void DrawLabelText(cairo_t* cr, uint32_t argb);
  virtual uint32_t CurrentTextColor() const;

  UINT m_uTextStyle = DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;
  uint32_t m_dwTextColor = 0xFF000000u;
  uint32_t m_dwDisabledTextColor = 0xFFA7A6AAu;
  int m_iFont = -1;
  RECT m_rcTextPadding;
  bool m_bShowHtml = false;
};

// Text that wraps over several lines.
class CTextUI : public CLabelUI {
 public:
  CTextUI() { m_uTextStyle = DT_WORDBREAK; }
  std::string GetClass() const override { return "TextUI"; }
  void* GetInterface(const std::string& name) override {
    return name == "Text" ? this : CLabelUI::GetInterface(name);
  }
};

}  // namespace DuiLib
