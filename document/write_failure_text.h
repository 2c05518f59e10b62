// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "export/safe_write.h"

// Why a file could not be written, in the window's words: the common causes in Japanese, any
// other as the system says it.
QString WriteFailureCause(const WriteResult& result);
