// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Each test class of view_tests runs from the one main, under one QApplication.
int RunViewPaintTests(int argc, char** argv);
int RunViewInputTests(int argc, char** argv);
int RunViewZoomTests(int argc, char** argv);
