#include "app/cardsearch.h"

#include "cards/bodyfile.h"
#include "cards/carderror.h"
#include "cards/crd.h"
#include "platform/parallel.h"
#include "platform/richedit/textsearch.h"

#include <atomic>
#include <vector>

namespace qel {

namespace {

// Cards in the first block a search takes, in the largest, and in the slice
// one thread takes at a time.
constexpr int kFirstBlock = 256;
constexpr int kLastBlock = 16384;
constexpr int kSlice = 64;

// Full case folding: besides the simple folding every letter has, the sharp s
// folds to "ss" as a user reading the title would compare it.
QString fold(const QString &s) {
  QString out = s.toCaseFolded();
  for (qsizetype i = out.size(); i-- > 0;) {
    const char16_t c = out.at(i).unicode();
    if (c == 0x00DF || c == 0x1E9E) out.replace(i, 1, QStringLiteral("ss"));
  }
  return out;
}

} // namespace

bool TitleContains(const QString &title, const QString &text) {
  if (text.isEmpty()) return false;
  return fold(title).contains(fold(text));
}

TCardScanner::TCardScanner(const QString &text, int flags, bool everyHit)
    : text_(text), foldedText_(fold(text)), flags_(flags), everyHit_(everyHit) {}

TCardScanner::~TCardScanner() = default;

TCardScanner::Hit TCardScanner::next(const TCrdList &list, int from, bool titles, const Progress &progress) {
  Hit hit;
  if (text_.isEmpty()) return hit;
  if (!bodies_) bodies_ = std::make_unique<TBodyMap>(CurrentBodyFile());
  const bool testTitles = titles && !foldedText_.isEmpty();
  const int count = list.Count();
  from = qMax(from, 0);
  // Small blocks first, so a hit near the start costs little; larger ones
  // later, so the threads are worth starting.
  int block = kFirstBlock;
  if (everyHit_ && cacheList_ == &list && cacheCount_ == count && cacheTitles_ == testTitles && from >= cacheBegin_ &&
      from <= cacheEnd_) {
    for (const Known &k : cache_) {
      if (k.hit.index < from) continue;
      if (list.Objects(k.hit.index) == k.card) return k.hit;
      cache_.clear();  // the list changed under the cache
      cacheList_ = nullptr;
      break;
    }
    if (cacheList_) {
      from = cacheEnd_;
      block = cacheNextBlock_;
    }
  }
  for (int begin = from; begin < count; begin += block, block = qMin(block * 2, kLastBlock)) {
    if (progress && !progress(begin)) {
      hit.cancelled = true;
      return hit;
    }
    const int end = begin + qMin(block, count - begin);
    // Bodies stored since the map was made lie beyond it.
    qint64 bodiesEnd = 0;
    for (int i = begin; i < end; ++i) {
      const TCrd *card = list.Objects(i);
      bodiesEnd = qMax(bodiesEnd, qint64(card->ADR) + qMax(card->SIZ, 0));
    }
    bodies_->covering(bodiesEnd);

    // Each slice of the block collects its hits in order. Unless every hit is
    // wanted, a slice stops, or is skipped, once an earlier card has a hit.
    const int slices = (end - begin + kSlice - 1) / kSlice;
    std::vector<std::vector<Known>> found(static_cast<size_t>(slices));
    std::atomic<int> first{end};
    RunInParallel(size_t(slices), slices > 1 ? ParallelWorkers() : 1, [&](size_t s) {
      const int sliceBegin = begin + int(s) * kSlice;
      const int sliceEnd = qMin(end, sliceBegin + kSlice);
      for (int i = sliceBegin; i < sliceEnd && (everyHit_ || i < first.load(std::memory_order_relaxed)); ++i) {
        const TCrd *card = list.Objects(i);
        const bool inTitle = testTitles && fold(list.Strings(i)).contains(foldedText_);
        if (!inTitle) {
          QByteArrayView body;
          if (!bodies_->view(card->ADR, card->SIZ, body)) continue;  // loading it would fail as well
          if (re::findForward(re::bodySearchText(body), text_, 0, flags_) < 0) continue;
        }
        found[s].push_back(Known{Hit{i, inTitle, false}, card});
        if (everyHit_) continue;
        for (int seen = first.load(); i < seen && !first.compare_exchange_weak(seen, i);) {
        }
        return;
      }
    });
    if (everyHit_) {
      cache_.clear();
      for (const std::vector<Known> &f : found) cache_.insert(cache_.end(), f.begin(), f.end());
      cacheList_ = &list;
      cacheCount_ = count;
      cacheTitles_ = testTitles;
      cacheBegin_ = begin;
      cacheEnd_ = end;
      cacheNextBlock_ = qMin(block * 2, kLastBlock);
      if (!cache_.empty()) return cache_.front().hit;
      continue;
    }
    for (const std::vector<Known> &f : found)
      if (!f.empty()) return f.front().hit;  // slices are in list order
  }
  return hit;
}

} // namespace qel
