#include "app/lookup.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/app/fake_desktop.h"
#include "tests/support/gbk.h"
#include "tests/web/scripted_http_client.h"

namespace ximing {
namespace {

using testing_support::FakeDesktop;
using testing_support::gbk;
using testing_support::ScriptedHttpClient;

constexpr char kSentinel[] = "what the user had on the clipboard";

std::string addressMessage(const std::string& address) {
  return gbk(u8"下载地址：") + address + gbk(u8"\r\n下载地址已经复制到剪贴板！请粘贴到迅雷下载！");
}

struct AnswerCase {
  const char* what;
  std::string answer;
  std::string message;
  std::optional<std::string> clipboard;  // nullopt: left as the user had it
};

TEST(LookUpSong, TellsWhatCameOfEachKindOfAnswerInOneBox) {
  const AnswerCase cases[] = {
      {"found",
       R"({"code":0,"info":{"id":1001,"source":"http://m.example/1001.mp3","duration":3}})",
       addressMessage("http://m.example/1001.mp3"), "http://m.example/1001.mp3"},
      {"escaped slashes are copied as they stand",
       R"({"id":5,"source":"http:\/\/m.example\/5.mp3","name":"x"})",
       addressMessage(R"(http:\/\/m.example\/5.mp3)"), R"(http:\/\/m.example\/5.mp3)"},
      {"source as the last member ends at its quote",
       R"({"info":{"id":4,"source":"http://m.example/4.mp3"},"user":{"a":"b","c":"d"}})",
       addressMessage("http://m.example/4.mp3"), "http://m.example/4.mp3"},
      {"not exist, upper case", R"({"msg":"SOUND NOT EXIST"})", gbk(u8"歌曲不存在"), std::nullopt},
      {"not exist, mixed case", R"({"msg":"SoUnD nOt ExIsT"})", gbk(u8"歌曲不存在"), std::nullopt},
      {"not exist wins over a source",
       R"({"a":1,"source":"http://m.example/x.mp3","msg":"Sound not exist"})", gbk(u8"歌曲不存在"),
       std::nullopt},
      {"no source member", R"({"code":0,"info":{"id":3,"name":"n"}})", gbk(u8"没有找到下载地址！"),
       std::nullopt},
      {"source as the first member has no comma before it",
       R"({"source":"http://m.example/6.mp3","id":6})", gbk(u8"没有找到下载地址！"), std::nullopt},
      {"empty source", R"({"id":7,"source":"","name":"n"})", gbk(u8"没有找到下载地址！"),
       std::nullopt},
      {"source last with nothing after it", R"({"id":8,"source":"http://m.example/8.mp3"})",
       gbk(u8"没有找到下载地址！"), std::nullopt},
      {"nothing came back", "", gbk(u8"无法获取歌曲信息，请检查网络连接！"), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FakeDesktop desktop;
    desktop.typed = "1001";
    desktop.clipboard = kSentinel;
    ScriptedHttpClient http;
    http.reads = {c.answer};
    Text lastPageText = "the previous answer";
    lookUpSong(desktop, http, "127.0.0.1:47621", lastPageText);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0], c.message) << testing_support::utf8FromGbk(desktop.messages[0]);
    EXPECT_EQ(desktop.clipboard, c.clipboard.value_or(kSentinel));
    EXPECT_EQ(desktop.clipboardWrites, c.clipboard ? 1 : 0);
    EXPECT_EQ(lastPageText, c.answer);
  }
}

TEST(LookUpSong, ClipboardThatCannotBeWrittenIsNotReportedAsCopied) {
  FakeDesktop desktop;
  desktop.typed = "1001";
  desktop.clipboardWorks = false;
  ScriptedHttpClient http;
  http.reads = {R"({"id":1,"source":"http://m.example/1.mp3","n":"x"})"};
  Text lastPageText;
  lookUpSong(desktop, http, "h", lastPageText);
  EXPECT_EQ(desktop.clipboardWrites, 1);
  EXPECT_EQ(desktop.messages,
            (std::vector<std::string>{gbk(u8"下载地址：") + "http://m.example/1.mp3" +
                                      gbk(u8"\r\n无法复制到剪贴板！请手动复制下载地址。")}));
}

TEST(LookUpSong, SongNumberCannotChangeWhatIsAsked) {
  const std::pair<std::string, std::string> cases[] = {
      {"1001", "1001"},
      {"  1001\t\r\n", "1001"},
      {"1 2", "1%202"},
      {"7&sound_id=8", "7%26sound_id%3D8"},
      {"5#x?y/z", "5%23x%3Fy%2Fz"},
      {"-._~Az", "-._~Az"},
      {"%41", "%2541"},
      {"", ""},
      {gbk(u8"歌"), "%B8%E8"},
      {"\xA3\xB1", "%A3%B1"},  // full-width 1 is sent as the bytes typed
  };
  for (const auto& [typed, sent] : cases) {
    SCOPED_TRACE(typed);
    FakeDesktop desktop;
    desktop.typed = typed;
    ScriptedHttpClient http;
    Text lastPageText;
    lookUpSong(desktop, http, "api.example:81", lastPageText);
    ASSERT_GE(http.log.size(), 3u);
    EXPECT_EQ(http.log[1], "connect session api.example 81");
    EXPECT_EQ(http.log[2],
              "openRequest connection GET /sound/info?sound_id=" + sent + " HTTP/1.1 80000000");
    EXPECT_NE(http.sentHeaders.find("Referer: http://api.example:81/sound/info?sound_id=" + sent +
                                    "\r\n"),
              std::string::npos);
  }
}

TEST(LookUpSong, ClosingTheWindowDuringTheAnswerEndsItQuietly) {
  FakeDesktop desktop;
  desktop.typed = "2002";
  desktop.clipboard = kSentinel;
  desktop.onPump = [](int run) { return run < 2; };  // closed while the first chunk is in
  ScriptedHttpClient http;
  http.reads = {R"({"id":1,"source":"http://m.example/1.mp3",)", R"("name":"x"})"};
  Text lastPageText;
  lookUpSong(desktop, http, "h", lastPageText);
  EXPECT_TRUE(desktop.messages.empty());
  EXPECT_EQ(desktop.clipboard, kSentinel);
  EXPECT_EQ(http.readCalls, 1);
  EXPECT_EQ(http.log.back(), "close request");
}

TEST(LookUpSong, ClickDuringALookupRunsToItsEndInsideIt) {
  FakeDesktop desktop;
  desktop.typed = "1";
  ScriptedHttpClient outerHttp;
  outerHttp.reads = {R"({"id":1,"source":"http://m.example/outer.mp3","n":"x"})"};
  ScriptedHttpClient innerHttp;
  innerHttp.reads = {R"({"msg":"Sound not exist"})"};
  Text lastPageText;
  desktop.onPump = [&](int run) {
    if (run == 1) lookUpSong(desktop, innerHttp, "h", lastPageText);  // the second click
    return true;
  };
  lookUpSong(desktop, outerHttp, "h", lastPageText);
  ASSERT_EQ(desktop.messages.size(), 2u);
  EXPECT_EQ(desktop.messages[0], gbk(u8"歌曲不存在"));
  EXPECT_EQ(desktop.messages[1], addressMessage("http://m.example/outer.mp3"));
  // The outer lookup finishes last and keeps its own answer.
  EXPECT_EQ(lastPageText, R"({"id":1,"source":"http://m.example/outer.mp3","n":"x"})");
  EXPECT_EQ(desktop.clipboard, "http://m.example/outer.mp3");
}

TEST(ShowInstructions, ShowsTheExampleAndWhatToDo) {
  FakeDesktop desktop;
  showInstructions(desktop, "www.site.example");
  showInstructions(desktop, "www.site.example");
  const std::string hint = gbk(u8"例如：") + "http://www.site.example/sound/731685" +
                           gbk(u8"\r\n把后面的数字 填到编辑框 按下载即可！");
  EXPECT_EQ(desktop.messages, (std::vector<std::string>{hint, hint}));
  EXPECT_FALSE(desktop.clipboard.has_value());
}

}  // namespace
}  // namespace ximing
