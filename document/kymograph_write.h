// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/kymograph_csv.h"
#include "model/kymograph.h"

class CNorvaleDoc;

// The kymograph's two files, each asked for with the window's save dialog and written whole
// through the safe write, with the progress shown and a message when the write fails (a full
// disk leaves an existing file as it was). False when nothing was written.

// As a grey picture (KymographImage): PNG or TIFF, by the name's suffix, else by the type chosen.
bool WriteKymographPicture(CNorvaleDoc& doc, const CKymograph& kymograph);
// As CSV (BuildKymographCsv) with the entries' times; the file type chosen picks commas, or
// semicolons with decimal commas. `options` gives the line and the settings.
bool WriteKymographCsv(CNorvaleDoc& doc, const CKymograph& kymograph,
                       KymographCsvOptions options);
