#include "upload/UploadRowSlots.h"

int UploadRowSlots::Take(int32_t taskIndex) {
  for (int row = 0; row < kRows; ++row) {
    if (m_slots[row] != kFree) continue;
    m_slots[row] = taskIndex;
    return row;
  }
  return -1;
}

int UploadRowSlots::Remove(int32_t taskIndex) {
  const int row = RowOf(taskIndex);
  if (row < 0) return -1;
  int last = row;
  while (last + 1 < kRows && m_slots[last + 1] != kFree) {
    m_slots[last] = m_slots[last + 1];
    ++last;
  }
  m_slots[last] = kFree;
  return row;
}

int UploadRowSlots::RowOf(int32_t taskIndex) const {
  for (int row = 0; row < kRows; ++row)
    if (m_slots[row] == taskIndex) return row;
  return -1;
}

int32_t UploadRowSlots::TaskAt(int row) const {
  return row >= 0 && row < kRows ? m_slots[row] : kFree;
}

void UploadRowSlots::Clear() {
  m_slots.fill(kFree);
}
