#pragma once
// The themed recently-used list: its entries' accelerator keys may start
// further along ('1' + KeyShift).

#include "toolbars/core/tbmrulist.h"

namespace qel::toolbars {

class TThmMRUList : public TTbrMRUList {
public:
  int KeyShift() const { return FKeyShift; }
  // A negative shift is stored as 0; every write renews the entries.
  void SetKeyShift(int shift) {
    FKeyShift = shift < 0 ? 0 : shift;
    RebuildItems();
  }

protected:
  int FirstKeyNumber() const override { return FKeyShift; }

private:
  int FKeyShift = 0;
};

} // namespace qel::toolbars
