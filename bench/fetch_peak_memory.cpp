// Fetches one address with fetchPage over the real HTTP client, then prints the body's
// size and the process's peak resident memory:
//
//   fetch_peak_memory URL
//   body_bytes=N peak_rss_kib=M
//
// scripts/bench.sh runs it once per body size, each in a process of its own, so that
// each peak belongs to one fetch alone.
#include <sys/resource.h>

#include <cstdio>

#include "web/fetch.h"
#include "web/http_client.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fetch_peak_memory URL\n");
    return 2;
  }
  const auto client = ximing::makeHttpClient();
  const ximing::Text body = ximing::fetchPage(
      *client, [] { return true; }, argv[1]);
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("body_bytes=%zu peak_rss_kib=%ld\n", body.size(), usage.ru_maxrss);
  return body.empty() ? 1 : 0;
}
