#include "common/LineBreaks.h"

namespace pw {
namespace {

bool Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

void AppendBroken(std::string& out, std::string_view word, std::size_t maxRun) {
  while (word.size() > maxRun) {
    std::size_t cut = word.rfind(':', maxRun - 1);
    if (cut == std::string_view::npos || cut == 0) {
      cut = maxRun;
      while (cut > 1 && Continuation(word[cut])) --cut;
    } else {
      ++cut;  // the ':' stays at the end of the line
    }
    out.append(word.substr(0, cut));
    out += '\n';
    word.remove_prefix(cut);
  }
  out.append(word);
}

}  // namespace

std::string BreakLongWords(std::string_view text, std::size_t maxRun) {
  if (maxRun == 0) return std::string(text);
  std::string out;
  out.reserve(text.size() + text.size() / maxRun + 1);
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != ' ' && text[i] != '\n' && text[i] != '\t') continue;
    AppendBroken(out, text.substr(start, i - start), maxRun);
    if (i < text.size()) out += text[i];
    start = i + 1;
  }
  return out;
}

}  // namespace pw
