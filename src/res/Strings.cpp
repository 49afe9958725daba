#include "res/Strings.h"

std::string ResourceString(int id) {
    switch (id) {
    case IDS_ABOUTBOX:
        return "バージョン情報 Datemark(&A)...";
    case IDS_VERSIONCHECK:
        return "最新ﾊﾞｰｼﾞｮﾝﾁｪｯｸ";
    default:
        return {};
    }
}
