// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// An export for thousands of images is tens of megabytes, written once from start to end.
// Faulting that in 4 KiB pages costs more than formatting every number in it, so a writer asks
// for large pages for its buffer (once reserved) where the kernel leaves them to the program's
// choice. Only whole 2 MiB blocks inside the buffer are touched, and the advice is a hint: when
// it is refused nothing changes.
void AdviseLargePages(std::string& out);
