#include "zip/engine/callbackevents.h"

#include <cstring>

namespace qel::engine {

using namespace qel::zipabi;

bool CallbackEvents::call(CallbackAction action, std::int32_t errorCode, std::int64_t size, const std::string &text) {
  std::memset(&rec_, 0, sizeof rec_);
  rec_.window = window_;
  rec_.component = component_;
  rec_.version = version_;
  rec_.isAdding = adding_ ? 1 : 0;
  rec_.action = action;
  rec_.errorCode = errorCode;
  rec_.size = size;
  std::size_t n = std::min(text.size(), kCallbackTextSize - 1);
  std::memcpy(rec_.text, text.data(), n);
  if (!callback_) return !cancelled_;
  if (callback_(&rec_) != 0) cancelled_ = true;
  rec_.text[kCallbackTextSize - 1] = '\0';
  return !cancelled_;
}

bool CallbackEvents::fileStarts(const std::string &name, std::uint64_t size) {
  return call(cbNewFile, 0, static_cast<std::int64_t>(size), name);
}
bool CallbackEvents::bytesDone(std::uint64_t count) { return call(cbProgress, 0, static_cast<std::int64_t>(count), {}); }
bool CallbackEvents::fileEnds() { return call(cbEndOfFile, 0, 0, {}); }
bool CallbackEvents::message(int error, const std::string &text) { return call(cbMessage, error, 0, text); }
bool CallbackEvents::fileCount(std::uint64_t count) { return call(cbTotalFiles, 0, static_cast<std::int64_t>(count), {}); }
bool CallbackEvents::totalSize(std::uint64_t size) { return call(cbTotalSize, 0, static_cast<std::int64_t>(size), {}); }

PasswordReply CallbackEvents::askPassword(const std::string &name, bool adding, int retries) {
  PasswordReply reply;
  call(cbPassword, adding ? 1 : 0, retries, name);
  // The component tells "stop asking" by clearing the action code.
  reply.stopAsking = rec_.action == 0;
  if (!cancelled_ && callback_ && rec_.errorCode == 1) {
    reply.given = true;
    const std::size_t n = strnlen(rec_.text, kCallbackTextSize);
    reply.password.assign(rec_.text, n);
    // The same password in its other encoding may follow the first one's zero.
    if (n + 1 < kCallbackTextSize)
      reply.altPassword.assign(rec_.text + n + 1, strnlen(rec_.text + n + 1, kCallbackTextSize - n - 1));
  }
  std::memset(rec_.text, 0, sizeof rec_.text);  // no copy of a password lingers
  return reply;
}

bool CallbackEvents::keepOnCrcError(const std::string &name, std::uint32_t found, std::uint32_t expected) {
  call(cbCrcError, static_cast<std::int32_t>(found), static_cast<std::int64_t>(expected), name);
  // 1: keep the entry; 0 (refused) and 2 (nobody asked) leave it out, so
  // damaged data never passes for good data.
  return !cancelled_ && callback_ && rec_.errorCode == 1;
}

bool CallbackEvents::askOverwrite(const std::string &name, bool existingIsOlder, bool overwrite, int index) {
  std::int32_t info = (existingIsOlder ? 0x10000 : 0) | (index & 0xFFFF);
  call(cbOverwrite, info, overwrite ? 1 : 0, name);
  return !cancelled_ && (rec_.size & 0xFF) != 0;
}

bool CallbackEvents::skipped(const std::string &name, SkipKind kind, int error) {
  return call(cbSkipped, error, static_cast<std::int64_t>(kind) + 1, name);
}

} // namespace qel::engine
