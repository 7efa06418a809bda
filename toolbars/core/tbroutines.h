#pragma once
// Small routines the docking and menu code share: sorting, rounding division
// and the on-demand lists.

#include <QList>

#include <memory>
#include <utility>

namespace qel::toolbars {

// a / b moved one away from zero when there is a remainder. A zero divisor
// gives 0; a quotient beyond the int range is clamped to it.
int DivideRoundingOut(int a, int b);

// Quicksort in place: the middle element ((lo + hi) / 2) as pivot, Hoare
// partition, recursion on the left part and iteration on the right. Lists of
// fewer than two items stay untouched; equal items keep no guaranteed order.
// `compare(a, b, data)` answers negative, zero or positive.
template <typename T, typename Compare, typename Data>
void SortList(QList<T> &list, Compare compare, const Data &data) {
  if (list.size() < 2)
    return;
  auto sort = [&](auto &self, qsizetype lo, qsizetype hi) -> void {
    while (lo < hi) {
      qsizetype i = lo, j = hi;
      const T pivot = list.at((lo + hi) / 2);
      while (i <= j) {
        while (compare(list.at(i), pivot, data) < 0)
          ++i;
        while (compare(list.at(j), pivot, data) > 0)
          --j;
        if (i <= j) {
          if (i != j)
            list.swapItemsAt(i, j);
          ++i;
          --j;
        }
      }
      if (lo < j)
        self(self, lo, j);
      lo = i;
    }
  };
  sort(sort, 0, list.size() - 1);
}

// The list is made on first use; the item is appended (or put first) only
// when absent. True when it was added.
template <typename T>
bool ListAddUnique(std::unique_ptr<QList<T>> &list, const T &item) {
  if (!list)
    list = std::make_unique<QList<T>>();
  if (list->contains(item))
    return false;
  list->append(item);
  return true;
}
template <typename T>
bool ListInsertFirstUnique(std::unique_ptr<QList<T>> &list, const T &item) {
  if (!list)
    list = std::make_unique<QList<T>>();
  if (list->contains(item))
    return false;
  list->prepend(item);
  return true;
}
// Removes the item; a list left empty is freed.
template <typename T>
void ListRemoveAndFree(std::unique_ptr<QList<T>> &list, const T &item) {
  if (!list)
    return;
  list->removeAll(item);
  if (list->isEmpty())
    list.reset();
}

} // namespace qel::toolbars
