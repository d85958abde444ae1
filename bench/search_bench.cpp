// How the program's searches compare with std::string_view::find on the same bytes.
//
// Texts of 1 MiB and 16 MiB, made like the service's answers, end in the match, so
// every search runs over the whole text. One kind is all ASCII; the other is mostly
// two-byte characters of code page 936, a tenth of them with an ASCII second byte, as
// the service's Chinese titles and lyrics are.
//
// Benchmarks are named search/KIND/SIZE/WHAT:
//   find          std::string_view::find of "Sound not exist" (the baseline of findText)
//   findText      findText of the same, with case, as the baseline searches
//   findTextNoCase findText ignoring case, as the song lookup calls it
//   findSource    std::string_view::find of ,"source":" (baseline of findTextFrom)
//   findTextFrom  findTextFrom of the same from position 1, with case
//   betweenFind   two std::string_view::find calls and a copy of what lies between
//                 (the baseline of textBetween)
//   textBetween   textBetween(text, ,"source":", ",", position 0), as the lookup calls it
// scripts/bench.sh divides each by its baseline and the 16 MiB time by the 1 MiB one.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "text/between.h"
#include "text/search.h"

namespace {

constexpr std::string_view kNotExist = "Sound not exist";
constexpr std::string_view kLeft = ",\"source\":\"";
constexpr std::string_view kRight = "\",\"";
constexpr std::string_view kEnding =
    ",\"source\":\"http://media.ximing.example/sound/1001.mp3\",\"x\":0}Sound not exist";

enum class Kind { kAscii, kTwoByte };

// One song's entry, repeated to fill the text.
std::string asciiEntry() {
  return R"({"id":1001,"title":"Morning rain over the quiet hills","user":"listener_42",)"
         R"("plays":12873,"duration":241,"intro":"a song for long evenings and slow walks"},)";
}

// About a hundred two-byte characters with a little JSON around them.
std::string twoByteEntry() {
  std::string e = "{\"t\":\"";
  for (int i = 0; i < 100; ++i) {
    if (i % 10 == 9) {
      // A character whose second byte is ASCII (0x40 to 0x7E).
      e += static_cast<char>(0x81 + i % 30);
      e += static_cast<char>(0x40 + (i * 7) % 63);
    } else {
      e += static_cast<char>(0xB0 + (i * 7) % 40);
      e += static_cast<char>(0xA1 + (i * 13) % 94);
    }
  }
  e += "\"},";
  return e;
}

const std::string& text(Kind kind, std::size_t size) {
  static std::map<std::pair<Kind, std::size_t>, std::string> texts;
  std::string& t = texts[{kind, size}];
  if (t.empty()) {
    const std::string entry = kind == Kind::kAscii ? asciiEntry() : twoByteEntry();
    t.reserve(size);
    while (t.size() + entry.size() + kEnding.size() <= size) t += entry;
    t.append(size - kEnding.size() - t.size(), ' ');
    t += kEnding;
  }
  return t;
}

void setBytes(benchmark::State& state, const std::string& t) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(t.size()));
}

void registerAll() {
  const std::pair<Kind, const char*> kinds[] = {{Kind::kAscii, "ascii"},
                                                {Kind::kTwoByte, "twobyte"}};
  const std::pair<std::size_t, const char*> sizes[] = {{std::size_t{1} << 20, "1MiB"},
                                                       {std::size_t{16} << 20, "16MiB"}};
  for (const auto& [kind, kindName] : kinds) {
    for (const auto& [size, sizeName] : sizes) {
      const std::string prefix = std::string("search/") + kindName + "/" + sizeName + "/";
      const Kind k = kind;
      const std::size_t n = size;
      auto add = [&](const char* what, auto body) {
        benchmark::RegisterBenchmark((prefix + what).c_str(), [k, n,
                                                               body](benchmark::State& state) {
          const std::string& t = text(k, n);
          for (auto _ : state) body(t);
          setBytes(state, t);
        })->Unit(benchmark::kMicrosecond);
      };
      add("find", [](const std::string& t) {
        benchmark::DoNotOptimize(std::string_view(t).find(kNotExist));
      });
      add("findText", [](const std::string& t) {
        benchmark::DoNotOptimize(ximing::findText(t, kNotExist, 1, false));
      });
      add("findTextNoCase", [](const std::string& t) {
        benchmark::DoNotOptimize(ximing::findText(t, kNotExist, 1, true));
      });
      add("findSource",
          [](const std::string& t) { benchmark::DoNotOptimize(std::string_view(t).find(kLeft)); });
      add("findTextFrom", [](const std::string& t) {
        benchmark::DoNotOptimize(ximing::findTextFrom(t, kLeft, 1, false));
      });
      add("betweenFind", [](const std::string& t) {
        const std::string_view v(t);
        const std::size_t p = v.find(kLeft) + kLeft.size();
        const std::size_t q = v.find(kRight, p);
        std::string between(v.substr(p, q - p));
        benchmark::DoNotOptimize(between);
      });
      add("textBetween", [](const std::string& t) {
        std::int32_t position = 0;
        std::string between = ximing::textBetween(t, kLeft, kRight, position);
        benchmark::DoNotOptimize(between);
        benchmark::DoNotOptimize(position);
      });
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  registerAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
