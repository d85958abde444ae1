#include "web/url.h"

#include <gtest/gtest.h>

#include <string>

namespace ximing {
namespace {

struct UrlCase {
  std::string address;
  std::string host;
  std::int32_t port;
  std::string path;
};

TEST(AddressSplitting, HostPortAndPath) {
  const UrlCase cases[] = {
      {"http://Srv:123/a/b?x=1", "srv", 123, "/a/b?x=1"},
      {"HTTP://srv", "srv", 80, "/"},
      {"srv/a", "srv", 80, "/a"},
      {"srv:81", "srv", 81, "/"},
      {"http://a:/x", "a", 0, "/x"},
      {"http://a:\xA3\xB8\xA3\xB0/x", "a", 80, "/x"},  // full-width digits
      {"https://srv/a", "https", 0, "//srv/a"},        // only http:// is known
      {"http://user:pw@srv/x", "user", 0, "/x"},       // nor is user information
      {"", "", 80, "/"},
      {"http://127.0.0.1:47621/sound/info?sound_id=1001", "127.0.0.1", 47621,
       "/sound/info?sound_id=1001"},
      {"http://a:4294967377/", "a", 81, "/"},  // the port keeps the low 32 bits
      {"http://a:-5/", "a", -5, "/"},
      // The path starts where the host-and-port part ends, even when the host's
      // text also occurs earlier in the address.
      {"http://t/x", "t", 80, "/x"},
      {"http:///x", "", 80, "/x"},
      {"http://", "", 80, "/"},
      {"http://h/h/x", "h", 80, "/h/x"},
      // A query or fragment ends the host-and-port part and stays in the path.
      {"http://srv?x=1", "srv", 80, "/?x=1"},
      {"http://srv:81?x=1", "srv", 81, "/?x=1"},
      {"srv?x=1", "srv", 80, "/?x=1"},
      {"http://srv#top", "srv", 80, "/#top"},
      {"http://srv?a=/b", "srv", 80, "/?a=/b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    EXPECT_EQ(urlHost(c.address), c.host);
    EXPECT_EQ(urlPort(c.address), c.port);
    EXPECT_EQ(urlObjectPath(c.address), c.path);
  }
}

}  // namespace
}  // namespace ximing
