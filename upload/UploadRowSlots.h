// Which task each row of the upload list shows: five slots in row order, -1
// for a free one. Removing a row moves the rows below it up, as the list
// control does with its elements.
#pragma once

#include <array>
#include <cstdint>

class UploadRowSlots {
 public:
  static constexpr int kRows = 5;
  static constexpr int32_t kFree = -1;

  // The row the task now takes (the first free one), or -1 when all are taken.
  int Take(int32_t taskIndex);
  // The row the task had, or -1; the rows below move up and the last moved
  // slot becomes free.
  int Remove(int32_t taskIndex);
  int RowOf(int32_t taskIndex) const;
  // The task shown in the row, or kFree.
  int32_t TaskAt(int row) const;
  void Clear();

 private:
  std::array<int32_t, kRows> m_slots{kFree, kFree, kFree, kFree, kFree};
};
