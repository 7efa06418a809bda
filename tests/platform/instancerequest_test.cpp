#include "platform/instances.h"

#include <gtest/gtest.h>

using qel::ClassifyInstanceRequest;
using qel::InstanceRequest;

TEST(InstanceRequestTest, OnlyAWholeRestoreLineRestores) {
  const struct {
    QByteArray received;
    InstanceRequest expected;
  } cases[] = {
      {"", InstanceRequest::Incomplete},
      {"restore", InstanceRequest::Incomplete},
      {"restore\n", InstanceRequest::Restore},
      {"restore\nmore", InstanceRequest::Restore},
      {"Restore\n", InstanceRequest::Unknown},
      {"\n", InstanceRequest::Unknown},
      {QByteArray(255, 'r'), InstanceRequest::Incomplete},
      {QByteArray(256, 'r'), InstanceRequest::TooLong},
      // A line end beyond the request limit does not make a request whole.
      {QByteArray(300, 'r') + "\n", InstanceRequest::TooLong},
  };
  for (const auto &c : cases)
    EXPECT_EQ(ClassifyInstanceRequest(c.received), c.expected) << c.received.left(20).toStdString();
}
