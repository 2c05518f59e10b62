#include "document/write_failure_text.h"

QString WriteFailureCause(const WriteResult& result) {
    switch (result.error) {
        case WriteError::DiskFull:
            return QStringLiteral("ディスクの空き容量が足りません。");
        case WriteError::NoPermission:
            return QStringLiteral("書き込む権限がありません。");
        case WriteError::FolderMissing:
            return QStringLiteral("フォルダが見つかりません。");
        case WriteError::IsFolder:
            return QStringLiteral("同じ名前のフォルダがあります。");
        default:
            return QString::fromStdString(result.message);
    }
}
