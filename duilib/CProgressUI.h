// A progress bar: the background image over the whole bar, the foreground image
// shown over the part that the value has reached (from min to max).
#pragma once

#include "duilib/CLabelUI.h"

namespace DuiLib {

class CProgressUI : public CLabelUI {
 public:
  CProgressUI() { m_uTextStyle = DT_SINGLELINE | DT_CENTER | DT_VCENTER; }
  std::string GetClass() const override { return "ProgressUI"; }
  void* GetInterface(const std::string& name) override;

  int GetMinValue() const { return m_nMin; }
  void SetMinValue(int min);
  int GetMaxValue() const { return m_nMax; }
  void SetMaxValue(int max);
  int GetValue() const { return m_nValue; }
  void SetValue(int value);
  const std::string& GetForeImage() const { return m_sForeImage; }
  void SetForeImage(const std::string& image);
  // The part of the bar the value covers.
  RECT FilledRect() const;

  bool SetAttribute(const std::string& name, const std::string& value) override;

 protected:
  void PaintStatusImage(cairo_t* cr) override;

  bool m_bHorizontal = true;
  int m_nMin = 0;
  int m_nMax = 100;
  int m_nValue = 0;
  std::string m_sForeImage;
};

}  // namespace DuiLib
