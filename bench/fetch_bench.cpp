// fetchPage over the libcurl client against one plain libcurl GET of the same address,
// both from the stand-in service on loopback.
//
// The base address comes from XIMING_BENCH_BASE_URL (such as http://127.0.0.1:PORT);
// the stand-in must answer /case/small (1 KiB) and /case/large (8 MiB). Benchmarks are
// named fetch/SIZE/fetchPage and fetch/SIZE/curl.
#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "web/fetch.h"
#include "web/http_client.h"

namespace {

std::string baseUrl() {
  const char* base = std::getenv("XIMING_BENCH_BASE_URL");
  return base ? base : "";
}

std::size_t append(char* data, std::size_t size, std::size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

// The plainest GET libcurl does: a fresh easy handle, the body gathered in a string.
std::string curlGet(const std::string& url) {
  std::string body;
  CURL* curl = curl_easy_init();
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, append);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
  curl_easy_perform(curl);
  curl_easy_cleanup(curl);
  return body;
}

void fetchWithFetchPage(benchmark::State& state, const std::string& url, std::size_t expected) {
  const auto client = ximing::makeHttpClient();
  for (auto _ : state) {
    const ximing::Text body = ximing::fetchPage(
        *client, [] { return true; }, url);
    if (body.size() != expected) state.SkipWithError("fetchPage answered a wrong body");
    benchmark::DoNotOptimize(body.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * expected));
}

void fetchWithCurl(benchmark::State& state, const std::string& url, std::size_t expected) {
  for (auto _ : state) {
    const std::string body = curlGet(url);
    if (body.size() != expected) state.SkipWithError("libcurl answered a wrong body");
    benchmark::DoNotOptimize(body.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * expected));
}

}  // namespace

int main(int argc, char** argv) {
  if (baseUrl().empty()) {
    std::fprintf(stderr, "XIMING_BENCH_BASE_URL is not set\n");
    return 2;
  }
  curl_global_init(CURL_GLOBAL_DEFAULT);
  const struct {
    const char* name;
    const char* path;
    std::size_t bytes;
  } cases[] = {{"1KiB", "/case/small", 1024}, {"8MiB", "/case/large", std::size_t{8} << 20}};
  for (const auto& c : cases) {
    const std::string url = baseUrl() + c.path;
    const std::size_t bytes = c.bytes;
    benchmark::RegisterBenchmark(
        (std::string("fetch/") + c.name + "/fetchPage").c_str(),
        [url, bytes](benchmark::State& s) { fetchWithFetchPage(s, url, bytes); })
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(
        (std::string("fetch/") + c.name + "/curl").c_str(),
        [url, bytes](benchmark::State& s) { fetchWithCurl(s, url, bytes); })
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  curl_global_cleanup();
  return 0;
}
