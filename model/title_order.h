// SPDX-License-Identifier: GPL-3.0-or-later
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

// An entry's title: the file's title, and for a page of a stack or a frame of a video its number
// from 1 and the file's count, "name.tif [12/400]" ("name.tif [12]" while the count is not
// known, 0). A file of one picture (frame < 0) keeps its plain title.
std::string EntryTitle(const std::string& title, std::int64_t frame, std::int64_t count);

// The file's title within an entry's title: EntryTitle's suffix taken off again for a page or a
// frame, so that a stack's pages sort by their numbers rather than by the digits of "[12/400]".
std::string_view EntryFileTitle(std::string_view title, std::int64_t frame);
