#include <gtest/gtest.h>

#include "session/ServiceConfig.h"

namespace {

TEST(ServiceConfig, HostNameComesFromTheUrlUnlessSet) {
  ServiceConfig config;
  EXPECT_EQ(config.BaseUrl(), "http://127.0.0.1:18080");
  EXPECT_EQ(config.HostName(), "127.0.0.1:18080");
  config.SetBaseUrl("https://user:pw@svc.example.org/base/");
  EXPECT_EQ(config.BaseUrl(), "https://user:pw@svc.example.org/base");
  EXPECT_EQ(config.HostName(), "svc.example.org");
  EXPECT_EQ(config.Url("/wbx/filebackup/x.json"),
            "https://user:pw@svc.example.org/base/wbx/filebackup/x.json");
  config.SetHostName("ent.example");
  EXPECT_EQ(config.HostName(), "ent.example");
}

}  // namespace
