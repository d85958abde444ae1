// Compiled with the execution character set GBK, so that these readable literals
// become code page 936 bytes in the program.
#include "app/texts.h"

namespace ximing {

const std::string_view kWindowTitle = "溪鸣MP3 下载 by 阿砚";
const std::string_view kMessageCaption = "信息：";
const std::string_view kSongIdLabel = "歌曲ID：";
const std::string_view kDownloadCaption = "下载";
const std::string_view kHelpCaption = "说明";
const std::string_view kHintBefore = "例如：";
const std::string_view kHintAfter = "\r\n把后面的数字 填到编辑框 按下载即可！";
const std::string_view kSongNotExist = "歌曲不存在";
const std::string_view kAddressBefore = "下载地址：";
const std::string_view kAddressAfter = "\r\n下载地址已经复制到剪贴板！请粘贴到迅雷下载！";
const std::string_view kAddressNotCopied = "\r\n无法复制到剪贴板！请手动复制下载地址。";
const std::string_view kNoAnswer = "无法获取歌曲信息，请检查网络连接！";
const std::string_view kNoAddress = "没有找到下载地址！";

}  // namespace ximing
