// Seeded small edits of a text (characters replaced, cut out or put in from
// an alphabet that matters to markup), for fuzz tests of parsers.
#pragma once

#include <random>
#include <string>

namespace kvtest {

// One to six edits of text.
std::string Mutated(std::string text, std::mt19937& rng);

}  // namespace kvtest
