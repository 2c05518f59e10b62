#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A title as the characters of code page 932, each valued as its one byte or as
// lead byte * 256 + trail byte. A character that the code page cannot hold (or a byte that is not
// UTF-8) gets a value above every code page character, ordered by its code point (or byte), so
// the order stays total.
using TitleKey = std::vector<std::uint32_t>;

TitleKey MakeTitleKey(std::string_view utf8);

// <0, 0 or >0; a title that is a prefix of the other sorts first.
int CompareTitleKeys(const TitleKey& a, const TitleKey& b);
int CompareTitles(std::string_view a, std::string_view b);

// An image's title: the part of its path after the last slash (the whole path when it has none).
// Every list of images names them so, in the window, the batch tool and a merge alike.
std::string TitleOfPath(const std::string& path);
