#pragma once

#include <string>

// printf's "% 10d", independent of the locale.
void AppendInt10(std::string& out, int value);
// printf's "% 10.6le" with a three-digit exponent (5.000000e-001), independent of the locale.
// Non-finite values read as C writes them: "       inf", "      -inf", "       nan".
void AppendExp(std::string& out, double value);
