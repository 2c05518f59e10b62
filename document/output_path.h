// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <string>

#include "document/ui_services.h"
#include "export/safe_write.h"
#include "model/data_profile.h"

// What the window's exports share in asking for their file and telling of a failed write.

// "The file cannot be opened", with the path and the cause, for a write that failed.
QString WriteFailureText(const QString& path, const WriteResult& result);
// The record whose image is the file at `path` (the same file by device and inode, whatever
// the spelling), or null.
const CScanSeries* ImageAt(const CDataProfile& profile, const std::string& path);
// A CSV file of either form: commas (filter 0), or semicolons with decimal commas (filter 1).
SaveFileRequest CsvRequest();
// The file the user chooses to write, confirming an overwrite; empty when the user cancels or
// names a picture of the list (the user is told so).
QString AskOutputPath(CUiServices& ui, const CDataProfile& profile, SaveFileRequest& request);
