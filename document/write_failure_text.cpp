// SPDX-License-Identifier: GPL-3.0-or-later
#include "document/write_failure_text.h"

#include <QCoreApplication>

QString WriteFailureCause(const WriteResult& result) {
    switch (result.error) {
        case WriteError::DiskFull:
            return QCoreApplication::translate("Document", "ディスクの空き容量が足りません。");
        case WriteError::NoPermission:
            return QCoreApplication::translate("Document", "書き込む権限がありません。");
        case WriteError::FolderMissing:
            return QCoreApplication::translate("Document", "フォルダが見つかりません。");
        case WriteError::IsFolder:
            return QCoreApplication::translate("Document", "同じ名前のフォルダがあります。");
        default:
            return QString::fromStdString(result.message);
    }
}
