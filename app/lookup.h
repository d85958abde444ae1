// The two click handlers of the window: the song lookup and the usage hint.
#pragma once

#include <string_view>

#include "app/desktop.h"
#include "text/text.h"
#include "web/http_client.h"

namespace ximing {

// The path and query prefix of the service's song-information interface.
inline constexpr std::string_view kSongInfoPath = "/sound/info?sound_id=";

// The song number as it goes into the address: ASCII white space trimmed at both
// ends, then every byte other than A-Z, a-z, 0-9, "-", ".", "_" and "~" written as
// %XX, so that nothing typed can change what is asked.
Text songNumberForQuery(std::string_view typed);

// Asks the service at `serviceHost` about the song typed into the window and tells
// the user what came of it, in exactly one message box: the song does not exist;
// the service could not be reached; its answer held no address; or the address,
// which is then also on the clipboard. The clipboard is touched only in that last
// case. The answer replaces `lastPageText`. When the window is closed while the
// answer is being read, the lookup ends quietly.
void lookUpSong(Desktop& desktop, HttpClient& http, std::string_view serviceHost,
                Text& lastPageText);

// Shows the usage hint: an example song page on the site at `siteHost`, and what
// to do with its number.
void showInstructions(Desktop& desktop, std::string_view siteHost);

}  // namespace ximing
