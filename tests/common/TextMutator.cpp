#include "common/TextMutator.h"

namespace kvtest {

std::string Mutated(std::string text, std::mt19937& rng) {
  static constexpr char kAlphabet[] = "<>/=\"' #,abcdefgXYZ0123456789\n&;";
  const auto pick = [&] { return kAlphabet[rng() % (sizeof(kAlphabet) - 1)]; };
  const int edits = 1 + static_cast<int>(rng() % 6);
  for (int e = 0; e < edits && !text.empty(); ++e) {
    const size_t pos = rng() % text.size();
    switch (rng() % 3) {
      case 0:
        text[pos] = pick();
        break;
      case 1:
        text.erase(pos, 1 + rng() % 8);
        break;
      default:
        text.insert(pos, 1, pick());
    }
  }
  return text;
}

}  // namespace kvtest
