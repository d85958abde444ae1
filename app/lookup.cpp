#include "app/lookup.h"

#include "app/texts.h"
#include "text/between.h"
#include "text/search.h"
#include "web/fetch.h"

namespace ximing {
namespace {

constexpr std::string_view kNotExistAnswer = "Sound not exist";
// The answer is not parsed as JSON: the address is the text between these.
constexpr std::string_view kSourceBefore = ",\"source\":\"";
constexpr std::string_view kSourceAfter = "\",\"";

bool isAsciiSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool isUnreserved(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

// When "source" is the last member of its object, the text up to the next "," runs
// past the value's closing quote; an address never holds a bare quote, so it ends
// at the first one.
Text cutAtQuote(const Text& address) { return address.substr(0, address.find('"')); }

}  // namespace

Text songNumberForQuery(std::string_view typed) {
  while (!typed.empty() && isAsciiSpace(typed.front())) typed.remove_prefix(1);
  while (!typed.empty() && isAsciiSpace(typed.back())) typed.remove_suffix(1);
  constexpr char kHex[] = "0123456789ABCDEF";
  Text out;
  for (char c : typed) {
    if (isUnreserved(c)) {
      out += c;
    } else {
      const auto u = static_cast<unsigned char>(c);
      out += '%';
      out += kHex[u >> 4];
      out += kHex[u & 0xF];
    }
  }
  return out;
}

void lookUpSong(Desktop& desktop, HttpClient& http, std::string_view serviceHost,
                Text& lastPageText) {
  const Text address =
      concatText({"http://", serviceHost, kSongInfoPath, songNumberForQuery(desktop.songNumber())});
  // Once the window has been closed, the fetch stops at its next read and the
  // lookup ends without a word: the program is on its way out.
  bool closing = false;
  const EventPump pump = [&desktop, &closing] {
    closing = closing || !desktop.processPendingEvents();
    return !closing;
  };
  lastPageText = fetchPage(http, pump, address);
  if (closing) return;

  if (findText(lastPageText, kNotExistAnswer, 1, true) > 0) {
    desktop.showMessage(Text(kSongNotExist));
    return;
  }
  std::int32_t position = 0;
  const Text songAddress =
      cutAtQuote(textBetween(lastPageText, kSourceBefore, kSourceAfter, position));
  if (songAddress.empty()) {
    desktop.showMessage(Text(lastPageText.empty() ? kNoAnswer : kNoAddress));
    return;
  }
  // Saying it was copied when it was not would send the user to paste something else.
  const bool copied = desktop.setClipboardText(songAddress);
  desktop.showMessage(
      concatText({kAddressBefore, songAddress, copied ? kAddressAfter : kAddressNotCopied}));
}

void showInstructions(Desktop& desktop, std::string_view siteHost) {
  desktop.showMessage(concatText({kHintBefore, "http://", siteHost, "/sound/731685", kHintAfter}));
}

}  // namespace ximing
