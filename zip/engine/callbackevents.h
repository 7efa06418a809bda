#pragma once
// Engine events delivered through the component's callback record.

#include "zip/engine/enginecore.h"
#include "zip/format/zipdllabi.h"

namespace qel::engine {

class CallbackEvents : public EngineEvents {
public:
  CallbackEvents(void *window, void *component, std::int32_t version, zipabi::ZipCallbackFunc callback, bool adding)
      : window_(window), component_(component), version_(version), callback_(callback), adding_(adding) {}

  bool fileStarts(const std::string &name, std::uint64_t size) override;
  bool bytesDone(std::uint64_t count) override;
  bool fileEnds() override;
  bool message(int error, const std::string &text) override;
  bool fileCount(std::uint64_t count) override;
  bool totalSize(std::uint64_t size) override;
  PasswordReply askPassword(const std::string &name, bool adding, int retries) override;
  bool keepOnCrcError(const std::string &name, std::uint32_t found, std::uint32_t expected) override;
  bool askOverwrite(const std::string &name, bool existingIsOlder, bool overwrite, int index) override;
  bool skipped(const std::string &name, SkipKind kind, int error) override;
  bool cancelled() const override { return cancelled_; }

private:
  // Fills the record, calls the component, and remembers a request to stop.
  bool call(zipabi::CallbackAction action, std::int32_t errorCode, std::int64_t size, const std::string &text);

  void *window_;
  void *component_;
  std::int32_t version_;
  zipabi::ZipCallbackFunc callback_;
  bool adding_;
  bool cancelled_ = false;
  zipabi::ZipCallbackRecord rec_{};
};

// The engines' version: 1.70 and up is what the component accepts.
constexpr std::int32_t kEngineVersion = 170;

} // namespace qel::engine
