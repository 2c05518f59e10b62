// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the parts of the Python module share: exceptions named as Python names them, text that
// is not always UTF-8, and the Qt object the picture readers need.

#include <pybind11/pybind11.h>

#include <string>

#include "batch/batch_outcome.h"

// Raises OSError with the program's own message.
[[noreturn]] void RaiseOsError(const std::string& message);

// Raises the exception that says what went wrong (OSError for a file, MemoryError, ValueError
// for what the session asks, RuntimeError otherwise); nothing for Ok.
void RaiseForOutcome(const BatchOutcome& outcome);

// The bytes as str: UTF-8, any other byte kept as a lone surrogate, as Python keeps file names.
pybind11::str Utf8Text(const std::string& bytes);

// Makes sure the application object the picture readers look their format plugins up with
// exists, leaving the process's locale as Python had it.
void EnsurePictureReaders();

void BindSessions(pybind11::module_& m);
void BindPictures(pybind11::module_& m);
