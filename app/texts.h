// The program's own texts, as code page 936 bytes on every build. They are defined
// in one translation unit that is compiled to that code page.
#pragma once

#include <string_view>

namespace ximing {

extern const std::string_view kWindowTitle;      // 溪鸣MP3 下载 by 阿砚
extern const std::string_view kMessageCaption;   // 信息：
extern const std::string_view kSongIdLabel;      // 歌曲ID：
extern const std::string_view kDownloadCaption;  // 下载
extern const std::string_view kHelpCaption;      // 说明
extern const std::string_view kHintBefore;       // 例如：
extern const std::string_view kHintAfter;  // CR LF 把后面的数字 填到编辑框 按下载即可！
extern const std::string_view kSongNotExist;   // 歌曲不存在
extern const std::string_view kAddressBefore;  // 下载地址：
extern const std::string_view kAddressAfter;  // CR LF 下载地址已经复制到剪贴板！请粘贴到迅雷下载！
extern const std::string_view kAddressNotCopied;  // CR LF 无法复制到剪贴板！请手动复制下载地址。
extern const std::string_view kNoAnswer;   // 无法获取歌曲信息，请检查网络连接！
extern const std::string_view kNoAddress;  // 没有找到下载地址！

}  // namespace ximing
