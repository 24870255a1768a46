// SPDX-License-Identifier: MIT
#pragma once

// Scenarios for the checker's benchmarks, written as a game would ship them (dat.dat in
// code page 932 with CR LF line ends, its pictures in img/), in a temporary game folder.

#include <cstdint>
#include <filesystem>

namespace tavrin::bench {

/// A game of about `lines` lines (never fewer) that checks clean: pictures, pages of short
/// lines, a question every block whose branches meet again, and both endings at the end.
/// Written streaming: memory does not grow with the file. Returns the lines written.
uint64_t WriteCleanGame(const std::filesystem::path& game, uint64_t lines);

/// `questions` questions in a row, each with a branch that scores and one that does not,
/// then the ending jump: 2^questions paths, questions + 1 scores at the end.
uint64_t WriteQuestionsInARow(const std::filesystem::path& game, int questions);

}  // namespace tavrin::bench
