// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/stat.h>

#include <QByteArray>
#include <string>

#include "picture/picture.h"

// How a picture's file is opened and read, and the faults of doing so: shared by the loads of
// whole files and of the pages and frames of one.
namespace picture_io {

CPicture::LoadResult Failed(CPicture::LoadStatus status, const PictureFault& fault);
PictureFault OutOfMemory(const char* reason);
PictureFault FileTooLarge();
// A file that cannot be opened or read, in both languages.
PictureFault OpenFault(int error);
// Opens a plain file for reading, or says why it cannot be read (fd -1). Non-blocking, so that
// a pipe cannot hang the open; only plain files are read, since a device or a pipe may never
// end.
int OpenPlainFile(const std::string& path, struct stat& st, PictureFault& fault);
// Reads the whole file into `data`, from its start and into the memory it already has; returns
// 0 or the errno of the failure. The size is a hint: the file may grow or shrink while it is
// read.
int ReadAll(int fd, qsizetype sizeHint, QByteArray& data);
// Whether the open file begins as a TIFF does.
bool IsTiffFile(int fd);

}  // namespace picture_io
