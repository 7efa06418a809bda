#pragma once
// The tie between a view or an item viewer and the object it hands to
// accessibility clients. Clients may hold that object longer than the view
// or viewer lives: when either goes, it cuts the tie, and the object then
// answers every question as invalid instead of reaching into freed memory.
// The objects themselves live in toolbars/qt (they speak Qt's accessibility
// interfaces); a view or viewer nobody asked about has none.

namespace qel::toolbars {

class TTbrAccessibleLink {
public:
  virtual ~TTbrAccessibleLink() = default;
  // The view or viewer is going; called once, before it is freed.
  virtual void Detach() = 0;
};

} // namespace qel::toolbars
