#include "ui/CItemBuilder.h"

#include "duilib/CBoxLayoutUI.h"
#include "ui/ItemAttributes.h"
#include "util/CommonUtils.h"

using namespace DuiLib;

CLabelUI* CItemBuilder::Icon(const std::string& fileName) {
  return Make<CLabelUI>(itemattr::IconLabel(BigIconName(fileName)));
}

CLabelUI* CItemBuilder::Text(const std::string& attributes, const std::string& name,
                             const std::string& text) {
  CLabelUI* label = Make<CLabelUI>(attributes);
  if (!name.empty()) label->SetName(name);
  label->SetText(text);
  return label;
}

CContainerUI* CItemBuilder::Separator(const std::string& labelAttributes) {
  auto* row = Make<CHorizontalLayoutUI>(itemattr::kSeparatorRow);
  row->Add(Make<CLabelUI>(labelAttributes));
  return row;
}
