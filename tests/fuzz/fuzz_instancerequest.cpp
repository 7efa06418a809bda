// What another program sends over an instance's local socket: any bytes lead to
// one of the four decisions, and a request only counts when it is whole.
#include "platform/instances.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QByteArray received(reinterpret_cast<const char *>(data), qsizetype(size));
  const qel::InstanceRequest request = qel::ClassifyInstanceRequest(received);
  const bool hasLineEnd = received.left(256).contains('\n');
  // Nothing is acted on before a line end arrives.
  if (!hasLineEnd && (request == qel::InstanceRequest::Restore || request == qel::InstanceRequest::Unknown)) std::abort();
  if (request == qel::InstanceRequest::Restore && !received.startsWith("restore\n")) std::abort();
  return 0;
}
