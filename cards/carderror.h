#pragma once
// The error the card store raises when a file of its own (body file, index)
// cannot be read or written, or holds values that point outside it. It ends
// the running command; its text is meant for the user.

#include <QString>
#include <stdexcept>

namespace qel {

class ECardError : public std::runtime_error {
public:
  explicit ECardError(const QString &message) : std::runtime_error(message.toStdString()), message_(message) {}
  const QString &message() const { return message_; }

private:
  QString message_;
};

} // namespace qel
